// Every test picture decodes to the pixels Qt's readers give (composited over white the same
// way), and every damaged or unsupported one is refused.
#include "tests/plugins/spi_harness.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

struct PictureSet {
    const char* plugin;
    const char* folder;
    QStringList names;                     // patterns or names of the files
    std::set<QString> refused;             // besides the "corrupt-" files
    std::set<QString> notCompared = {};    // decoded, but Qt's reading is no reference (see below)
    std::map<QString, int> tolerance = {}; // largest channel difference allowed
};

const PictureSet kSets[] = {
    {"png",
     "pngsuite",
     {"*.png"},
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
     {"*.jpg"},
     {"monkey12.jpg"}, // 12-bit samples, which this libjpeg does not read
     {},
     // Ink is multiplied out of CMYK samples: we round c * k / 255, Qt truncates it.
     {{"made-cmyk-adobe.jpg", 1}, {"made-ycck-adobe.jpg", 1}}},
    {"gif", "gif", {"*.gif"}, {}, {}, {}},
    {"tiff",
     "tiff",
     {"*.tif*"},
     {"testfax3_bug_513.tiff",               // a data error in the fax stream
      "test_float64_predictor2_le_lzw.tif"}, // 64-bit float samples
     // Grey with alpha in a separate plane, which Qt shows without its alpha; checked below.
     {"minisblack-2c-8b-alpha.tiff"},
     // 16-bit samples: libtiff's RGBA reader keeps the high byte, Qt rounds.
     {{"minisblack-1c-16b.tiff", 1}, {"made-grey16-lzw.tiff", 1}}},
    {"webp",
     "webp",
     {"*.webp"},
     {},
     // Lossy data has no checksum: garbled data decodes to a damaged picture without error.
     {"corrupt-vp8-data-garbled.webp"},
     {}},
    // Bitmaps with later header versions or top-down rows; classic ones are left to the
    // program's own reader, and Qt's reader (on which the plug-in is built) refuses some.
    {"bmp",
     "bmpsuite/g",
     {"pal8topdown.bmp", "pal8v4.bmp", "pal8v5.bmp", "pal8.bmp", "rgb16-565.bmp", "pal8os2.bmp"},
     {"pal8.bmp", "rgb16-565.bmp", "pal8os2.bmp"}},
    {"bmp",
     "bmpsuite/q",
     {"pal8os2v2.bmp", "rgba32-1.bmp", "rgba16-4444.bmp", "rgb32-xbgr.bmp", "rgba32-1010102.bmp",
      "rgb24png.bmp", "pal8os2v2-16.bmp", "rgb32h52.bmp"},
     {"rgb24png.bmp", "pal8os2v2-16.bmp", "rgb32h52.bmp"}},
    {"bmp",
     "bmpsuite/b",
     {"badheadersize.bmp", "reallybig.bmp"},
     {"badheadersize.bmp", "reallybig.bmp"}},
};

TEST(Decode, EveryPictureMatchesQtAndEveryDamagedFileIsRefused) {
    for (const PictureSet& set : kSets) {
        SpiModule spi(set.plugin);
        ASSERT_TRUE(spi.loaded()) << spi.error().toStdString();
        const QStringList files =
            QDir(TestFilePath(set.folder, "")).entryList(set.names, QDir::Files);
        // Every file named, or more than 15 of a pattern.
        ASSERT_GE(files.size(), set.names.size() > 1 ? set.names.size() : 16) << set.folder;
        for (const QString& file : files) {
            SCOPED_TRACE(file.toStdString());
            RgbPicture picture, reference;
            const int rc = spi.DecodeMemory(ReadTestFile(set.folder, file), picture);
            if (set.notCompared.count(file))
                continue;
            if (file.startsWith("corrupt-") || set.refused.count(file)) {
                EXPECT_NE(rc, SPI_SUCCESS);
                // Beyond 2^28 pixels: refused as too large before anything is allocated.
                EXPECT_TRUE(!file.contains("huge-dimensions") || rc == SPI_ERR_MEMORY) << rc;
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
        {"bmp", "bmpsuite", "g/pal8v5.bmp", 8, 252}, // the header's colours-used
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

// A file cut anywhere is refused, or, when only bytes after the pixel data are gone (the
// trailer of a GIF, a TIFF directory that is not needed), gives the whole picture: never a
// partly filled one.
TEST(Decode, CutShortFileIsRefusedOrWhole) {
    const struct {
        const char* plugin;
        const char* folder;
        const char* file;
    } files[] = {
        {"bmp", "bmpsuite", "g/pal8v4.bmp"},
        {"bmp", "bmpsuite", "g/pal8v5.bmp"},
        {"bmp", "bmpsuite", "g/pal8topdown.bmp"},
        {"bmp", "bmpsuite", "q/rgba32-1.bmp"},
        {"png", "pngsuite", "basn2c08.png"},
        {"png", "pngsuite", "basi3p08.png"},
        {"jpeg", "jpeg", "testorig.jpg"},
        {"jpeg", "jpeg", "made-progressive.jpg"},
        {"gif", "gif", "porsche.gif"},
        {"gif", "gif", "treescap-interlaced.gif"},
        {"tiff", "tiff", "rgb-3c-8b.tiff"},
        {"tiff", "tiff", "made-rgb-tiled-packbits.tiff"},
        {"webp", "webp", "test.webp"},
        {"webp", "webp", "lossless1.webp"},
    };
    for (const auto& f : files) {
        SpiModule spi(f.plugin);
        const QByteArray bytes = ReadTestFile(f.folder, f.file);
        RgbPicture whole;
        ASSERT_EQ(spi.DecodeMemory(bytes, whole), SPI_SUCCESS) << f.file;
        for (const double kept : {0.25, 0.5, 0.75, 0.9, 0.999, 1.0}) {
            const auto size = std::min(qsizetype(double(bytes.size()) * kept), bytes.size() - 1);
            RgbPicture cut;
            if (spi.DecodeMemory(bytes.left(size), cut) == SPI_SUCCESS) {
                EXPECT_EQ(Compare(cut, whole), "") << f.file << " cut to " << size << " bytes";
            }
        }
    }
}

// A bitmap with a later header version declaring 20000 x 20000 top-down pixels is refused as too
// large before anything is allocated for it, as the other formats' "huge-dimensions" files are.
TEST(Decode, BitmapAboveTheSizeLimitIsRefusedAsTooLarge) {
    QByteArray bmp = ReadTestFile("bmpsuite", "g/pal8v5.bmp");
    qToLittleEndian<qint32>(20000, bmp.data() + 18);
    qToLittleEndian<qint32>(-20000, bmp.data() + 22);
    RgbPicture picture;
    EXPECT_EQ(SpiModule("bmp").DecodeMemory(bmp, picture), SPI_ERR_MEMORY);
}

// A JPEG of 166 bytes declaring 16384 x 16384 pixels, whose scan data ends after 18 bytes, is
// refused where its data ends, in the first band of rows: none of the other rows is decoded.
TEST(Decode, JpegCutShortIsRefusedWhereItsDataEnds) {
    QByteArray jpeg = ReadTestFile("jpeg", "corrupt-huge-truncated.jpg");
    ASSERT_EQ(jpeg.size(), 166);
    RgbPicture picture;
    int progressCalls = 0;
    EXPECT_EQ(SpiModule("jpeg").DecodeMemory(jpeg, picture, &progressCalls), SPI_ERR_FORMAT);
    EXPECT_LE(progressCalls, 1); // it is called every 64 rows
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
    EXPECT_EQ(spi.DecodeFile(dir.path(), 0, picture), SPI_ERR_FILE);

    // A large file (here padded with a hole after the picture) is read the same way.
    ASSERT_TRUE(file.resize(qint64(64) << 20));
    ASSERT_EQ(spi.DecodeFile(file.fileName(), 128, picture), SPI_SUCCESS);
    EXPECT_EQ(Compare(picture, reference), "");
}

} // namespace
