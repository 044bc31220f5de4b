#include "tests/plugins/spi_harness.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

class WebpPlugin : public ::testing::Test {
protected:
    SpiModule m_spi{"webp"};
};

bool IsCorrupt(const QString& name) {
    return name.startsWith("corrupt-");
}

TEST_F(WebpPlugin, EveryPictureMatchesQtsReader) {
    ASSERT_TRUE(m_spi.loaded()) << m_spi.error().toStdString();
    int checked = 0;
    for (const QString& name :
         QDir(TestFilePath("webp", "")).entryList({"*.webp"}, QDir::Files, QDir::Name)) {
        if (IsCorrupt(name))
            continue;
        SCOPED_TRACE(name.toStdString());
        RgbPicture picture, reference;
        ASSERT_EQ(m_spi.DecodeMemory(ReadTestFile("webp", name), picture), SPI_SUCCESS);
        ASSERT_TRUE(ReferencePicture(TestFilePath("webp", name), reference));
        EXPECT_EQ(Compare(picture, reference), "");
        ++checked;
    }
    EXPECT_EQ(checked, 28);
}

TEST_F(WebpPlugin, CorruptFilesAreRefused) {
    const char* rows[] = {
        "corrupt-alpha-data-garbled.webp",
        "corrupt-empty.webp",
        "corrupt-not-riff.webp",
        "corrupt-riff-header-only.webp",
        "corrupt-riff-size-too-large.webp",
        "corrupt-truncated-half-lossless.webp",
        "corrupt-truncated-half-lossy.webp",
        "corrupt-vp8-bad-start-code.webp",
        "corrupt-vp8l-bad-signature.webp",
        "corrupt-vp8l-data-garbled.webp",
        "corrupt-vp8x-no-image-chunk.webp",
    };
    for (const char* file : rows) {
        RgbPicture picture;
        EXPECT_NE(m_spi.DecodeMemory(ReadTestFile("webp", file), picture), SPI_SUCCESS) << file;
    }
    // Lossy data carries no checksum: garbled data gives a damaged picture, but never a crash.
    RgbPicture picture;
    m_spi.DecodeMemory(ReadTestFile("webp", "corrupt-vp8-data-garbled.webp"), picture);
}

} // namespace
