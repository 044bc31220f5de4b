#include "tests/plugins/spi_harness.h"

#include <gtest/gtest.h>

namespace {

class TiffPlugin : public ::testing::Test {
protected:
    SpiModule m_spi{"tiff"};
};

TEST_F(TiffPlugin, EveryPictureMatchesQtsReader) {
    ASSERT_TRUE(m_spi.loaded()) << m_spi.error().toStdString();
    const struct {
        const char* file;
        int tolerance;
    } rows[] = {
        {"32bpp-None-jpeg.tiff", 0},
        {"32bpp-None.tiff", 0},
        {"custom_dir_EXIF_GPS.tiff", 0},
        {"deflate-last-strip-extra-data.tiff", 0},
        {"logluv-3c-16b.tiff", 0},
        // 16-bit samples: libtiff's RGBA reader keeps the high byte, Qt's reader rounds, so a
        // level may be one apart.
        {"minisblack-1c-16b.tiff", 1},
        {"minisblack-1c-8b.tiff", 0},
        {"miniswhite-1c-1b.tiff", 0},
        {"ojpeg_zackthecat_subsamp22_single_strip.tiff", 0},
        {"palette-1c-1b.tiff", 0},
        {"palette-1c-4b.tiff", 0},
        {"palette-1c-8b.tiff", 0},
        {"quad-tile.jpg.tiff", 0},
        {"rgb-3c-8b.tiff", 0},
        {"test_ifd_loop_to_self.tif", 0},
        {"test_two_ifds.tif", 0},
        {"testfax4.tiff", 0},
        {"tiff_with_subifd_chain.tif", 0},
        {"webp_lossless_rgba_alpha_fully_opaque.tif", 0},
        {"made-grey16-lzw.tiff", 1}, // 16-bit samples, as above
        {"made-palette-deflate-bigendian.tiff", 0},
        {"made-rgb-lzw-predictor.tiff", 0},
        {"made-rgb-planar-separate.tiff", 0},
        {"made-rgb-tiled-packbits.tiff", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        RgbPicture picture, reference;
        ASSERT_EQ(m_spi.DecodeMemory(ReadTestFile("tiff", row.file), picture), SPI_SUCCESS);
        ASSERT_TRUE(ReferencePicture(TestFilePath("tiff", row.file), reference));
        EXPECT_EQ(picture.bitCount, 24);
        EXPECT_EQ(Compare(picture, reference, row.tolerance), "");
    }
}

// Grey with associated alpha in a separate plane, which Qt's reader shows without its alpha.
// The packed rows were unpacked by hand: pixel (0, 0) is grey 0 with alpha 0, pixel (21, 0)
// grey 131 with alpha 255.
TEST_F(TiffPlugin, GreyWithAlphaPlaneIsCompositedOverWhite) {
    RgbPicture picture;
    ASSERT_EQ(m_spi.DecodeMemory(ReadTestFile("tiff", "minisblack-2c-8b-alpha.tiff"), picture),
              SPI_SUCCESS);
    ASSERT_EQ(picture.width, 64);
    EXPECT_EQ(picture.pixels[0], 0xFFFFFFu);
    EXPECT_EQ(picture.pixels[21], 0x838383u);
}

TEST_F(TiffPlugin, CorruptAndUnsupportedFilesAreRefused) {
    const char* rows[] = {
        "corrupt-bad-magic.tif",
        "corrupt-dimensions-exceed-data.tif",
        "corrupt-empty.tif",
        "corrupt-header-only.tif",
        "corrupt-ifd-entry-count-huge.tif",
        "corrupt-ifd-offset-past-eof.tif",
        "corrupt-lzw-data-garbled.tif",
        "corrupt-strip-offsets-past-eof.tif",
        "corrupt-truncated-half.tif",
        "corrupt-zero-width.tif",
        "testfax3_bug_513.tiff",              // a data error in the fax stream
        "test_float64_predictor2_le_lzw.tif", // 64-bit float samples
    };
    for (const char* file : rows) {
        RgbPicture picture;
        EXPECT_NE(m_spi.DecodeMemory(ReadTestFile("tiff", file), picture), SPI_SUCCESS) << file;
    }
}

} // namespace
