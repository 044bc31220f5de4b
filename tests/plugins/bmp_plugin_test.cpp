#include "tests/plugins/spi_harness.h"

#include <gtest/gtest.h>

namespace {

class BmpPlugin : public ::testing::Test {
protected:
    SpiModule m_spi{"bmp"};
};

TEST_F(BmpPlugin, TakesOnlyFilesTheNativeReaderLeaves) {
    ASSERT_TRUE(m_spi.loaded()) << m_spi.error().toStdString();
    const struct {
        const char* file;
        bool supported;
    } rows[] = {
        {"g/pal8.bmp", false},       // 40-byte header, bottom-up
        {"g/rgb24.bmp", false},      //
        {"g/rgb16-565.bmp", false},  // 40-byte header with masks
        {"g/pal8os2.bmp", false},    // 12-byte core header
        {"g/pal8topdown.bmp", true}, // negative height
        {"g/pal8v4.bmp", true},      // 108-byte header
        {"g/pal8v5.bmp", true},      // 124-byte header
        {"q/pal8os2v2.bmp", true},   // 64-byte OS/2 header
        {"q/pal8os2v2-16.bmp", true}, {"q/rgb32h52.bmp", true}, {"q/rgba32h56.bmp", true},
    };
    for (const auto& row : rows)
        EXPECT_EQ(m_spi.Supports(ReadTestFile("bmpsuite", row.file)), row.supported) << row.file;
}

TEST_F(BmpPlugin, DeliversPlainDibsWithQtsPixels) {
    const struct {
        const char* file;
        int bitCount;
    } rows[] = {
        {"g/pal8topdown.bmp", 8},  {"g/pal8v4.bmp", 8},          {"g/pal8v5.bmp", 8},
        {"q/pal8os2v2.bmp", 8},    {"q/rgba32-1.bmp", 24},       {"q/rgba32-2.bmp", 24},
        {"q/rgba16-4444.bmp", 24}, {"q/rgba16-5551.bmp", 24},    {"q/rgb32-xbgr.bmp", 24},
        {"q/rgb24prof.bmp", 24},   {"q/rgba32-1010102.bmp", 24},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        RgbPicture picture, reference;
        ASSERT_EQ(m_spi.DecodeMemory(ReadTestFile("bmpsuite", row.file), picture), SPI_SUCCESS);
        ASSERT_TRUE(ReferencePicture(TestFilePath("bmpsuite", row.file), reference));
        EXPECT_EQ(picture.bitCount, row.bitCount);
        EXPECT_EQ(Compare(picture, reference), "");
    }
}

TEST_F(BmpPlugin, RefusesWhatItCannotRead) {
    const char* rows[] = {
        "g/pal8.bmp",        // left to the native reader
        "q/rgb24png.bmp",    // PNG stream inside a bitmap file
        "q/pal1huffmsb.bmp", // OS/2 Huffman coding
        // Header sizes Qt's reader does not take either.
        "q/pal8os2v2-16.bmp", "q/rgb32h52.bmp", "q/rgba32h56.bmp", "b/badheadersize.bmp",
        "b/reallybig.bmp", // 3 000 000 x 2 000 000
    };
    for (const char* file : rows) {
        RgbPicture picture;
        EXPECT_NE(m_spi.DecodeMemory(ReadTestFile("bmpsuite", file), picture), SPI_SUCCESS) << file;
    }
}

} // namespace
