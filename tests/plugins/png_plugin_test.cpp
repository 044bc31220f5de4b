#include "tests/plugins/spi_harness.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList PngSuite() {
    return QDir(TestFilePath("pngsuite", "")).entryList({"*.png"}, QDir::Files, QDir::Name);
}

// PngSuite marks its damaged files with a leading 'x'; ours start with "corrupt-".
bool IsCorrupt(const QString& name) {
    return name.startsWith('x') || name.startsWith("corrupt-");
}

// 16-bit RGB files whose tRNS colour (65535, 65535, 65535) marks the background: those pixels
// are white and fully transparent, so they are white over white whatever the alpha, but Qt's
// reader makes them a partly transparent grey (0xCFCFCF once composited).
bool QtMisreadsTransparency(const QString& name) {
    return name == "tbbn2c16.png" || name == "tbgn2c16.png";
}

class PngPlugin : public ::testing::Test {
protected:
    SpiModule m_spi{"png"};
};

TEST_F(PngPlugin, EveryPictureMatchesQtsReader) {
    ASSERT_TRUE(m_spi.loaded()) << m_spi.error().toStdString();
    int checked = 0;
    for (const QString& name : PngSuite()) {
        if (IsCorrupt(name) || QtMisreadsTransparency(name))
            continue;
        SCOPED_TRACE(name.toStdString());
        RgbPicture picture, reference;
        ASSERT_EQ(m_spi.DecodeMemory(ReadTestFile("pngsuite", name), picture), SPI_SUCCESS);
        ASSERT_TRUE(ReferencePicture(TestFilePath("pngsuite", name), reference));
        EXPECT_EQ(Compare(picture, reference), "");
        ++checked;
    }
    EXPECT_GT(checked, 150);
}

TEST_F(PngPlugin, SixteenBitTransparentColourShowsWhite) {
    for (const char* file : {"tbbn2c16.png", "tbgn2c16.png"}) {
        RgbPicture picture;
        ASSERT_EQ(m_spi.DecodeMemory(ReadTestFile("pngsuite", file), picture), SPI_SUCCESS);
        // Pixel (24, 0) holds the transparent colour in both files.
        EXPECT_EQ(picture.pixels[24], 0xFFFFFFu) << file;
    }
}

TEST_F(PngPlugin, EveryCorruptFileIsRefused) {
    int checked = 0;
    for (const QString& name : PngSuite()) {
        if (!IsCorrupt(name))
            continue;
        RgbPicture picture;
        EXPECT_NE(m_spi.DecodeMemory(ReadTestFile("pngsuite", name), picture), SPI_SUCCESS)
            << name.toStdString();
        ++checked;
    }
    EXPECT_EQ(checked, 21);
}

TEST_F(PngPlugin, PaletteAndGreyUpTo8BitsKeepATable) {
    const struct {
        const char* file;
        int bitCount;
        int colorsUsed;
    } rows[] = {
        {"basn3p01.png", 8, 2},   // 1-bit palette of 2 entries
        {"basn3p04.png", 8, 15},  // 4-bit palette of 15 entries
        {"tbbn3p08.png", 8, 246}, // 8-bit palette with transparency, 246 entries
        {"basn0g02.png", 8, 4},   // 2-bit grey: 4 levels
        {"tbbn0g04.png", 8, 16},  // 4-bit grey with one transparent level
        {"basn0g16.png", 24, 0},  {"basn2c08.png", 24, 0},
        {"basn4a08.png", 24, 0},  {"basn6a16.png", 24, 0},
    };
    for (const auto& row : rows) {
        RgbPicture picture;
        ASSERT_EQ(m_spi.DecodeMemory(ReadTestFile("pngsuite", row.file), picture), SPI_SUCCESS);
        EXPECT_EQ(picture.bitCount, row.bitCount) << row.file;
        EXPECT_EQ(picture.colorsUsed, row.colorsUsed) << row.file;
    }
}

TEST_F(PngPlugin, ReadsAFileFromTheGivenOffset) {
    QTemporaryDir dir;
    const QString path = dir.filePath("prefixed.png");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(128, 'j') + ReadTestFile("pngsuite", "basn2c08.png"));
    file.close();

    RgbPicture fromFile, reference;
    ASSERT_EQ(m_spi.DecodeFile(path, 128, fromFile), SPI_SUCCESS);
    ASSERT_TRUE(ReferencePicture(TestFilePath("pngsuite", "basn2c08.png"), reference));
    EXPECT_EQ(Compare(fromFile, reference), "");
    EXPECT_NE(m_spi.DecodeFile(path, 0, fromFile), SPI_SUCCESS);
    EXPECT_EQ(m_spi.DecodeFile(dir.filePath("missing.png"), 0, fromFile), SPI_ERR_FILE);
}

} // namespace
