// The display image made from a packed DIB: every bit count and both header kinds come out top
// row first with the colours the picture stores; rows the block does not hold give no image.
#include "document/display_image.h"
#include "tests/support/dib_builder.h"

#include <QByteArray>
#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> Hex(const char* hex) {
    const QByteArray bytes = QByteArray::fromHex(hex);
    return {bytes.begin(), bytes.end()};
}

TEST(DisplayImage, ShowsTheStoredColours) {
    std::vector<std::uint32_t> sixteen;
    for (std::uint32_t i = 0; i < 16; ++i)
        sixteen.push_back(i * 0x101010);
    // 9 x 2 at 1 bit: two bytes per row plus padding; the bottom row is stored first.
    const auto mono = Concat(TableBytes({0x0A141E, 0xC86432}), Hex("0080000080000000"));
    const auto beyond = Concat(TableBytes({0x112233, 0x445566}), Hex("01050000"));
    // 3 x 2 run-length codes: two pixels of 1, end of line; one pixel of 2, end of picture.
    const auto rle8 = Concat(TableBytes({0, 0xFF0000, 0x00FF00}), Hex("0201000001020001"));
    const struct {
        const char* name;
        DibFields fields;
        std::vector<std::uint8_t> rest;
        int x, y;          // the pixel looked at; -1: no image at all
        std::uint32_t rgb; // its colour, 0xRRGGBB
    } cases[] = {
        // clang-format off
        {"1 bit, top row", {40, 9, 2, 1, 1, 0, 0, 2}, mono, 0, 0, 0xC86432},
        {"1 bit, ninth pixel of the bottom row", {40, 9, 2, 1, 1, 0, 0, 2}, mono, 8, 1, 0xC86432},
        {"4 bit, third pixel", {40, 3, 1, 1, 4, 0, 0, 16},
         Concat(TableBytes(sixteen), Hex("12300000")), 2, 0, 0x303030},
        {"8 bit", {40, 2, 1, 1, 8, 0, 0, 2}, beyond, 0, 0, 0x445566},
        {"8 bit, index beyond the table is black", {40, 2, 1, 1, 8, 0, 0, 2}, beyond, 1, 0, 0},
        // 5-5-5: 0x4210 has 16 in every channel, shown as (16 << 3) | (16 >> 2) = 132.
        {"16 bit red", {40, 3, 1, 1, 16}, Hex("007c104200000000"), 0, 0, 0xFF0000},
        {"16 bit grey", {40, 3, 1, 1, 16}, Hex("007c104200000000"), 1, 0, 0x848484},
        {"24 bit, top row stored last", {40, 1, 2, 1, 24}, Hex("0000ff00ff000000"), 0, 0, 0x0000FF},
        {"24 bit, bottom row stored first", {40, 1, 2, 1, 24}, Hex("0000ff00ff000000"), 0, 1,
         0xFF0000},
        {"32 bit ignores the fourth byte", {40, 1, 1, 1, 32}, Hex("332211ff"), 0, 0, 0x112233},
        {"core header, 3-byte colour entries", {12, 2, 1, 1, 1}, Hex("030201c0b0a040000000"), 1, 0,
         0xA0B0C0},
        {"RLE8 bottom row", {40, 3, 2, 1, 8, 1, 8, 3}, rle8, 1, 1, 0xFF0000},
        {"RLE8 top row", {40, 3, 2, 1, 8, 1, 8, 3}, rle8, 0, 0, 0x00FF00},
        {"RLE4 alternates the two nibbles", {40, 3, 1, 1, 4, 2, 4, 16},
         Concat(TableBytes(sixteen), Hex("03120001")), 2, 0, 0x101010},
        {"two rows announced, one present", {40, 1, 2, 1, 24}, Hex("0000ff00"), -1, -1, 0},
        // clang-format on
    };
    for (const auto& c : cases) {
        const QImage image = DibMakeDisplayImage(MakeDib(c.fields, c.rest));
        ASSERT_EQ(image.isNull(), c.x < 0) << c.name;
        if (c.x >= 0) {
            EXPECT_EQ(image.size(), QSize(c.fields.width, c.fields.height)) << c.name;
            EXPECT_EQ(image.pixel(c.x, c.y) & 0xFFFFFFu, c.rgb) << c.name;
        }
    }
    EXPECT_TRUE(DibMakeDisplayImage(DibHandle()).isNull());
}

} // namespace
