#include "tests/plugins/spi_harness.h"

#include <gtest/gtest.h>

namespace {

class GifPlugin : public ::testing::Test {
protected:
    SpiModule m_spi{"gif"};
};

TEST_F(GifPlugin, FirstFrameMatchesQtsReader) {
    ASSERT_TRUE(m_spi.loaded()) << m_spi.error().toStdString();
    const char* rows[] = {
        "fire.gif",    // animation, interlaced frames
        "gifgrid.gif", // graphic control block without transparency
        "porsche.gif",
        "solid2.gif",
        "treescap.gif",
        "treescap-interlaced.gif",
        "wedge.gif",
        "welcome2.gif", // animation with a transparent colour
        "x-trans.gif",  // interlaced, transparent colour 0
        "made-bilevel-87a.gif",
        "made-local-colortable-only.gif",
    };
    for (const char* file : rows) {
        SCOPED_TRACE(file);
        RgbPicture picture, reference;
        ASSERT_EQ(m_spi.DecodeMemory(ReadTestFile("gif", file), picture), SPI_SUCCESS);
        ASSERT_TRUE(ReferencePicture(TestFilePath("gif", file), reference));
        EXPECT_EQ(picture.bitCount, 8);
        EXPECT_EQ(Compare(picture, reference), "");
    }
}

TEST_F(GifPlugin, FrameSmallerThanTheScreenIsPlacedAtItsOffset) {
    // 48 x 32 screen, background index 1; the only frame is 16 x 8 at (20, 12).
    RgbPicture picture, reference;
    ASSERT_EQ(m_spi.DecodeMemory(ReadTestFile("gif", "made-subframe-offset.gif"), picture),
              SPI_SUCCESS);
    ASSERT_TRUE(ReferencePicture(TestFilePath("gif", "made-subframe-offset.gif"), reference));
    ASSERT_EQ(picture.width, 48);
    ASSERT_EQ(picture.height, 32);
    // Outside the frame the screen shows its background colour, as Qt's reader does.
    EXPECT_EQ(Compare(picture, reference), "");
}

TEST_F(GifPlugin, CorruptFilesAreRefused) {
    const char* rows[] = {
        "corrupt-bad-signature.gif",        "corrupt-empty.gif",
        "corrupt-frame-outside-screen.gif", "corrupt-lzw-bad-code.gif",
        "corrupt-lzw-code-size-12.gif",     "corrupt-no-image.gif",
        "corrupt-truncated-half.gif",       "corrupt-truncated-in-colormap.gif",
        "corrupt-zero-width-frame.gif",
    };
    for (const char* file : rows) {
        RgbPicture picture;
        EXPECT_NE(m_spi.DecodeMemory(ReadTestFile("gif", file), picture), SPI_SUCCESS) << file;
    }
}

} // namespace
