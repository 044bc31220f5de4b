// Every test picture decodes to the pixels Qt's readers give (composited over white the same
// way), and every damaged or unsupported one is refused, cut short too.
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
    std::set<QString> refused = {};        // besides the "corrupt-" files
    std::set<QString> notCompared = {};    // decoded, but Qt's reading is no reference (see below)
    std::map<QString, int> tolerance = {}; // largest channel difference allowed
    // Bits per pixel and colours used of the output: a table only for palette and grey pictures
    // of up to 8 bits, its size from the file's palette or 2^depth levels of grey.
    std::map<QString, std::pair<int, int>> layout = {};
    // Also decoded when cut short anywhere: refused, or, when only bytes after the pixel data are
    // gone (the trailer of a GIF, a TIFF directory that is not needed), the whole picture; never
    // a partly filled one.
    std::set<QString> cut = {};
};

const PictureSet kSets[] = {
    {.plugin = "png",
     .folder = "pngsuite",
     .names = {"*.png"},
     // PngSuite's own damaged files.
     .refused = {"xc1n0g08.png", "xc9n2c08.png", "xcrn0g04.png", "xcsn0g01.png", "xd0n2c08.png",
                 "xd3n2c08.png", "xd9n2c08.png", "xdtn0g01.png", "xhdn0g08.png", "xlfn0g04.png",
                 "xs1n0g01.png", "xs2n0g01.png", "xs4n0g01.png", "xs7n0g01.png"},
     // The tRNS colour of these 16-bit files marks white pixels fully transparent (white over
     // white); Qt's reader makes them a partly transparent grey.
     .notCompared = {"tbbn2c16.png", "tbgn2c16.png"},
     // clang-format off
     .layout = {{"basn3p01.png", {8, 2}}, {"basn3p04.png", {8, 15}}, {"tbbn3p08.png", {8, 246}},
                {"basn0g02.png", {8, 4}}, {"tbbn0g04.png", {8, 16}}, {"basn0g16.png", {24, 0}},
                {"basn6a16.png", {24, 0}}},
     // clang-format on
     .cut = {"basn2c08.png", "basi3p08.png"}},
    {.plugin = "jpeg",
     .folder = "jpeg",
     .names = {"*.jpg"},
     .refused = {"monkey12.jpg"}, // 12-bit samples, which this libjpeg does not read
     // Ink is multiplied out of CMYK samples: we round c * k / 255, Qt truncates it.
     .tolerance = {{"made-cmyk-adobe.jpg", 1}, {"made-ycck-adobe.jpg", 1}},
     .layout = {{"made-grey.jpg", {8, 256}}, {"testorig.jpg", {24, 0}}},
     .cut = {"testorig.jpg", "made-progressive.jpg"}},
    {.plugin = "gif",
     .folder = "gif",
     .names = {"*.gif"},
     .layout = {{"treescap.gif", {8, 16}}},
     .cut = {"porsche.gif", "treescap-interlaced.gif"}},
    {.plugin = "tiff",
     .folder = "tiff",
     .names = {"*.tif*"},
     .refused = {"testfax3_bug_513.tiff",               // a data error in the fax stream
                 "test_float64_predictor2_le_lzw.tif"}, // 64-bit float samples
     // Grey with alpha in a separate plane, which Qt shows without its alpha; checked below.
     .notCompared = {"minisblack-2c-8b-alpha.tiff"},
     // 16-bit samples: libtiff's RGBA reader keeps the high byte, Qt rounds.
     .tolerance = {{"minisblack-1c-16b.tiff", 1}, {"made-grey16-lzw.tiff", 1}},
     .cut = {"rgb-3c-8b.tiff", "made-rgb-tiled-packbits.tiff"}},
    {.plugin = "webp",
     .folder = "webp",
     .names = {"*.webp"},
     // Lossy data has no checksum: garbled data decodes to a damaged picture without error.
     .notCompared = {"corrupt-vp8-data-garbled.webp"},
     .cut = {"test.webp", "lossless1.webp"}},
    // Bitmaps with later header versions or top-down rows; classic ones are left to the
    // program's own reader. The plug-in refuses what Qt's reader refuses too.
    {.plugin = "bmp",
     .folder = "bmpsuite/g",
     .names = {"pal8topdown.bmp", "pal8v4.bmp", "pal8v5.bmp", "pal8.bmp", "rgb16-565.bmp",
               "pal8os2.bmp"},
     .refused = {"pal8.bmp", "rgb16-565.bmp", "pal8os2.bmp"},
     .layout = {{"pal8v5.bmp", {8, 252}}},
     .cut = {"pal8v4.bmp", "pal8v5.bmp", "pal8topdown.bmp"}},
    {.plugin = "bmp",
     .folder = "bmpsuite/q",
     .names = {"pal8os2v2.bmp", "rgba32-1.bmp", "rgba16-4444.bmp", "rgb32-xbgr.bmp",
               "rgba32-1010102.bmp", "rgb24png.bmp", "pal8os2v2-16.bmp", "rgb32h52.bmp"},
     .refused = {"rgb24png.bmp", "pal8os2v2-16.bmp", "rgb32h52.bmp"},
     // Fields of 10 bits, which this Qt reads as 0 and the plug-in narrows to their top 8
     // bits as the program's own reader does (checked in bmp_variants_test).
     .notCompared = {"rgba32-1010102.bmp"},
     .cut = {"rgba32-1.bmp"}},
    {.plugin = "bmp",
     .folder = "bmpsuite/b",
     .names = {"badheadersize.bmp", "reallybig.bmp", "rletopdown.bmp"},
     .refused = {"badheadersize.bmp", "reallybig.bmp"}},
};

TEST(Decode, EveryPictureMatchesQtAndEveryDamagedFileIsRefused) {
    for (const PictureSet& set : kSets) {
        SpiModule spi(set.plugin);
        ASSERT_TRUE(spi.loaded()) << spi.error().toStdString();
        const QStringList files =
            QDir(TestFilePath(set.folder, "")).entryList(set.names, QDir::Files);
        // Every file named, or more than 15 of a pattern.
        ASSERT_GE(files.size(), set.names.size() > 1 ? set.names.size() : 16) << set.folder;
        std::size_t layouts = 0, cuts = 0;
        for (const QString& file : files) {
            SCOPED_TRACE(file.toStdString());
            const QByteArray bytes = ReadTestFile(set.folder, file);
            RgbPicture picture, reference;
            const int rc = spi.DecodeMemory(bytes, picture);
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
            if (const auto layout = set.layout.find(file); layout != set.layout.end()) {
                EXPECT_EQ(std::pair(picture.bitCount, picture.colorsUsed), layout->second);
                ++layouts;
            }
            if (!set.cut.count(file))
                continue;
            ++cuts;
            for (const double kept : {0.25, 0.5, 0.75, 0.9, 0.999, 1.0}) {
                const auto size =
                    std::min(qsizetype(double(bytes.size()) * kept), bytes.size() - 1);
                RgbPicture cut;
                const bool decoded = spi.DecodeMemory(bytes.left(size), cut) == SPI_SUCCESS;
                EXPECT_EQ(decoded ? Compare(cut, picture) : "", "")
                    << "cut to " << size << " bytes";
            }
        }
        EXPECT_EQ(layouts, set.layout.size());
        EXPECT_EQ(cuts, set.cut.size());
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
