// Every test picture decodes to the pixels Qt's readers give (composited over white the same
// way), and every damaged or unsupported one is refused.
#include "tests/plugins/spi_harness.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

struct PictureSet {
    const char* plugin;
    const char* folder;
    const char* pattern;
    std::set<QString> refused;        // besides the "corrupt-" files
    std::set<QString> notCompared;    // decoded, but Qt's reading is no reference (see below)
    std::map<QString, int> tolerance; // largest channel difference allowed
};

const PictureSet kSets[] = {
    {"png",
     "pngsuite",
     "*.png",
     // PngSuite's own damaged files.
     {"xc1n0g08.png", "xc9n2c08.png", "xcrn0g04.png", "xcsn0g01.png", "xd0n2c08.png",
      "xd3n2c08.png", "xd9n2c08.png", "xdtn0g01.png", "xhdn0g08.png", "xlfn0g04.png",
      "xs1n0g01.png", "xs2n0g01.png", "xs4n0g01.png", "xs7n0g01.png"},
     // The tRNS colour of these 16-bit files marks white pixels fully transparent (white over
     // white); Qt's reader makes them a partly transparent grey.
     {"tbbn2c16.png", "tbgn2c16.png"},
     {}},
    {"jpeg",
     "jpeg",
     "*.jpg",
     {"monkey12.jpg"}, // 12-bit samples, which this libjpeg does not read
     {},
     // Ink is multiplied out of CMYK samples: we round c * k / 255, Qt truncates it.
     {{"made-cmyk-adobe.jpg", 1}, {"made-ycck-adobe.jpg", 1}}},
    {"gif", "gif", "*.gif", {}, {}, {}},
    {"tiff",
     "tiff",
     "*.tif*",
     {"testfax3_bug_513.tiff",               // a data error in the fax stream
      "test_float64_predictor2_le_lzw.tif"}, // 64-bit float samples
     // Grey with alpha in a separate plane, which Qt shows without its alpha; checked below.
     {"minisblack-2c-8b-alpha.tiff"},
     // 16-bit samples: libtiff's RGBA reader keeps the high byte, Qt rounds.
     {{"minisblack-1c-16b.tiff", 1}, {"made-grey16-lzw.tiff", 1}}},
    {"webp",
     "webp",
     "*.webp",
     {},
     // Lossy data has no checksum: garbled data decodes to a damaged picture without error.
     {"corrupt-vp8-data-garbled.webp"},
     {}},
};

TEST(Decode, EveryPictureMatchesQtAndEveryDamagedFileIsRefused) {
    for (const PictureSet& set : kSets) {
        SpiModule spi(set.plugin);
        ASSERT_TRUE(spi.loaded()) << spi.error().toStdString();
        const QStringList files =
            QDir(TestFilePath(set.folder, "")).entryList({set.pattern}, QDir::Files);
        ASSERT_GT(files.size(), 15) << set.folder;
        for (const QString& file : files) {
            SCOPED_TRACE(file.toStdString());
            RgbPicture picture, reference;
            const int rc = spi.DecodeMemory(ReadTestFile(set.folder, file), picture);
            if (set.notCompared.count(file))
                continue;
            if (file.startsWith("corrupt-") || set.refused.count(file)) {
                EXPECT_NE(rc, SPI_SUCCESS);
                continue;
            }
            ASSERT_EQ(rc, SPI_SUCCESS);
            ASSERT_TRUE(ReferencePicture(TestFilePath(set.folder, file), reference));
            const auto tolerance = set.tolerance.find(file);
            EXPECT_EQ(Compare(picture, reference,
                              tolerance == set.tolerance.end() ? 0 : tolerance->second),
                      "");
        }
    }
}

TEST(Decode, OutputKeepsATableOnlyForPaletteAndGreyUpTo8Bits) {
    const struct {
        const char* plugin;
        const char* folder;
        const char* file;
        int bitCount;
        int colorsUsed; // counted from the file's PLTE chunk, or 2^depth levels of grey
    } rows[] = {
        {"png", "pngsuite", "basn3p01.png", 8, 2},   {"png", "pngsuite", "basn3p04.png", 8, 15},
        {"png", "pngsuite", "tbbn3p08.png", 8, 246}, {"png", "pngsuite", "basn0g02.png", 8, 4},
        {"png", "pngsuite", "tbbn0g04.png", 8, 16},  {"png", "pngsuite", "basn0g16.png", 24, 0},
        {"png", "pngsuite", "basn6a16.png", 24, 0},  {"jpeg", "jpeg", "made-grey.jpg", 8, 256},
        {"jpeg", "jpeg", "testorig.jpg", 24, 0},     {"gif", "gif", "treescap.gif", 8, 16},
    };
    for (const auto& row : rows) {
        RgbPicture picture;
        ASSERT_EQ(SpiModule(row.plugin).DecodeMemory(ReadTestFile(row.folder, row.file), picture),
                  SPI_SUCCESS);
        EXPECT_EQ(picture.bitCount, row.bitCount) << row.file;
        EXPECT_EQ(picture.colorsUsed, row.colorsUsed) << row.file;
    }
}

// The packed rows of this file, unpacked by hand: pixel (0, 0) is grey 0 with alpha 0, pixel
// (21, 0) grey 131 with alpha 255.
TEST(Decode, TiffGreyWithAlphaPlaneIsCompositedOverWhite) {
    RgbPicture picture;
    ASSERT_EQ(SpiModule("tiff").DecodeMemory(ReadTestFile("tiff", "minisblack-2c-8b-alpha.tiff"),
                                             picture),
              SPI_SUCCESS);
    EXPECT_EQ(picture.pixels.at(0), 0xFFFFFFu);
    EXPECT_EQ(picture.pixels.at(21), 0x838383u);
}

TEST(Decode, BmpPluginDeliversLaterHeaderVersionsAsPlainDibs) {
    SpiModule spi("bmp");
    const char* decoded[] = {"g/pal8topdown.bmp", "g/pal8v4.bmp",        "g/pal8v5.bmp",
                             "q/pal8os2v2.bmp",   "q/rgba32-1.bmp",      "q/rgba16-4444.bmp",
                             "q/rgb32-xbgr.bmp",  "q/rgba32-1010102.bmp"};
    for (const char* file : decoded) {
        RgbPicture picture, reference;
        ASSERT_EQ(spi.DecodeMemory(ReadTestFile("bmpsuite", file), picture), SPI_SUCCESS) << file;
        ASSERT_TRUE(ReferencePicture(TestFilePath("bmpsuite", file), reference));
        EXPECT_EQ(Compare(picture, reference), "") << file;
    }
    const char* refused[] = {
        "g/pal8.bmp",         // classic: left to the program's own reader
        "q/rgb24png.bmp",     // PNG stream inside; Qt does not read it
        "q/pal8os2v2-16.bmp", // header sizes Qt's reader does not take
        "q/rgb32h52.bmp",     "b/badheadersize.bmp",
        "b/reallybig.bmp", // 3 000 000 x 2 000 000
    };
    for (const char* file : refused) {
        RgbPicture picture;
        EXPECT_NE(spi.DecodeMemory(ReadTestFile("bmpsuite", file), picture), SPI_SUCCESS) << file;
    }
}

TEST(Decode, FileInputStartsAtTheGivenOffset) {
    QTemporaryDir dir;
    QFile file(dir.filePath("prefixed.png"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(128, 'j') + ReadTestFile("pngsuite", "basn2c08.png"));
    file.close();
    SpiModule spi("png");
    RgbPicture picture, reference;
    ASSERT_EQ(spi.DecodeFile(file.fileName(), 128, picture), SPI_SUCCESS);
    ASSERT_TRUE(ReferencePicture(TestFilePath("pngsuite", "basn2c08.png"), reference));
    EXPECT_EQ(Compare(picture, reference), "");
    EXPECT_NE(spi.DecodeFile(file.fileName(), 0, picture), SPI_SUCCESS);
    EXPECT_EQ(spi.DecodeFile(dir.filePath("missing.png"), 0, picture), SPI_ERR_FILE);
}

} // namespace
