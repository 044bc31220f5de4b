#include "image/dib.h"
#include "tests/support/dib_builder.h"

#include <gtest/gtest.h>

namespace {

TEST(Dib, TableAndPixelsFollowTheHeader) {
    const struct {
        const char* name;
        DibFields fields;
        std::size_t bytes; // after the header
        int colours, tableBytes;
    } rows[] = {
        {"true colour: no table", {40, 3, 2, 1, 24}, 24, 0, 0},
        {"colours-used sets the table length", {40, 3, 2, 1, 8, 0, 0, 17}, 68 + 8, 17, 68},
        {"core header: 16 entries of 3 bytes", {12, 5, 2, 1, 4}, 48 + 8, 16, 48},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::uint8_t> rest(row.bytes);
        if (row.fields.headerSize == 12)
            rest[3 * 5 + 2] = 0xAB; // red of entry 5
        const DibHandle dib = MakeDib(row.fields, rest);
        const std::uint8_t* h = dib.data();
        EXPECT_EQ(DibGetWidth(h), row.fields.width);
        EXPECT_EQ(DibGetHeight(h), row.fields.height);
        EXPECT_EQ(DibGetColorCount(h), row.colours);
        EXPECT_EQ(DibGetColorTableSize(h), row.tableBytes);
        EXPECT_EQ(DibGetBits(h), h + row.fields.headerSize + row.tableBytes);
        const std::vector<std::uint32_t> palette = DibBuildPalette(dib);
        ASSERT_EQ(palette.size(), std::size_t(row.colours));
        // Opaque entries; the core row's entry 5 is red 0xAB, all others black.
        EXPECT_EQ(palette.size() > 5 ? palette[5] : 0xFF000000u,
                  row.fields.headerSize == 12 ? 0xFFAB0000u : 0xFF000000u);
    }
}

TEST(Dib, DuplicateCopiesWholeAllocation) {
    DibHandle dib = MakeDib({}, std::vector<std::uint8_t>(104));
    dib.data()[dib.size() - 1] = 7;
    DibHandle copy = DibDuplicate(dib);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy.size(), dib.size());
    EXPECT_EQ(copy.data()[copy.size() - 1], 7);
    EXPECT_NE(copy.data(), dib.data());
    EXPECT_FALSE(DibDuplicate(DibHandle()));
}

} // namespace
