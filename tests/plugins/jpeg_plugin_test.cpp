#include "tests/plugins/spi_harness.h"

#include <gtest/gtest.h>

namespace {

class JpegPlugin : public ::testing::Test {
protected:
    SpiModule m_spi{"jpeg"};
};

TEST_F(JpegPlugin, EveryPictureMatchesQtsReader) {
    ASSERT_TRUE(m_spi.loaded()) << m_spi.error().toStdString();
    const struct {
        const char* file;
        int bitCount;
        int tolerance;
    } rows[] = {
        {"testorig.jpg", 24, 0},
        {"testimgint.jpg", 24, 0},
        {"testimgari.jpg", 24, 0},
        {"made-444-optimized.jpg", 24, 0},
        {"made-progressive.jpg", 24, 0},
        {"made-progressive-arithmetic.jpg", 24, 0},
        {"made-restart-markers.jpg", 24, 0},
        {"made-grey.jpg", 8, 0},
        // Ink is multiplied out of the CMYK samples: we round c * k / 255 to nearest, Qt's
        // reader truncates it, so a channel may be one level apart.
        {"made-cmyk-adobe.jpg", 24, 1},
        {"made-ycck-adobe.jpg", 24, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        RgbPicture picture, reference;
        ASSERT_EQ(m_spi.DecodeMemory(ReadTestFile("jpeg", row.file), picture), SPI_SUCCESS);
        ASSERT_TRUE(ReferencePicture(TestFilePath("jpeg", row.file), reference));
        EXPECT_EQ(picture.bitCount, row.bitCount);
        EXPECT_EQ(Compare(picture, reference, row.tolerance), "");
    }
}

TEST_F(JpegPlugin, CorruptAndUnsupportedFilesAreRefused) {
    const char* rows[] = {
        "corrupt-bad-huffman-table.jpg",
        "corrupt-empty.jpg",
        "corrupt-no-soi.jpg",
        "corrupt-scan-bits-flipped.jpg", // libjpeg only warns
        "corrupt-scan-bogus-marker.jpg",
        "corrupt-sof-zero-size.jpg",
        "corrupt-truncated-after-sos.jpg", // libjpeg only warns and fills grey
        "corrupt-truncated-half.jpg",      // likewise
        "corrupt-truncated-in-header.jpg",
        "corrupt-undefined-quant-table.jpg",
        "monkey12.jpg", // 12-bit samples, which this libjpeg cannot read
    };
    for (const char* file : rows) {
        RgbPicture picture;
        EXPECT_NE(m_spi.DecodeMemory(ReadTestFile("jpeg", file), picture), SPI_SUCCESS) << file;
    }
}

} // namespace
