// Pictures through the clipboard's data: exact bytes when the program talks to itself, converted
// images when another program offered only an image.
#include "desktop/clipboard.h"
#include "tests/support/dib_builder.h"

#include <QMimeData>
#include <cstring>
#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> Bytes(const DibHandle& dib) {
    return {dib.data(), dib.data() + dib.size()};
}

struct CopyCase {
    const char* name;
    DibFields fields;
    std::vector<std::uint8_t> rest;
    std::uint32_t pixelOffset; // where a bitmap file's pixels start, counted independently
};

} // namespace

// Copying then pasting gives the very same block, in a block of its own.
TEST(Clipboard, CopyThenPasteGivesIdenticalIndependentPicture) {
    const CopyCase cases[] = {
        {"8-bit, two colours used",
         {40, 2, 2, 1, 8, 0, 8, 2},
         Concat(TableBytes({0xFF0000, 0x0000FF}), {0, 1, 0, 0, 1, 0, 0, 0}),
         14 + 40 + 8},
        {"1-bit, full table",
         {40, 9, 1, 1, 1},
         Concat(TableBytes({0, 0xFFFFFF}), {0xAA, 0x80, 0, 0}),
         14 + 40 + 8},
        {"4-bit, full table",
         {40, 1, 1, 1, 4},
         Concat(std::vector<std::uint8_t>(64, 7), {0x50, 0, 0, 0}),
         14 + 40 + 64},
        {"24-bit with a padded row", {40, 1, 2, 1, 24}, {1, 2, 3, 0, 4, 5, 6, 0}, 14 + 40},
        {"core header, 1-bit",
         {12, 2, 1, 1, 1},
         {0, 0, 0, 255, 255, 255, 0x40, 0, 0, 0},
         14 + 12 + 6},
    };
    for (const CopyCase& c : cases) {
        const DibHandle original = MakeDib(c.fields, c.rest);
        const QByteArray file = DibToBmpBytes(original);
        ASSERT_EQ(file.size(), qsizetype(14 + original.size())) << c.name;
        const auto* f = reinterpret_cast<const std::uint8_t*>(file.constData());
        EXPECT_EQ(f[0], 'B') << c.name;
        EXPECT_EQ(f[1], 'M') << c.name;
        EXPECT_EQ(ReadU32(f + 2), 14 + original.size()) << c.name;
        EXPECT_EQ(ReadU32(f + 10), c.pixelOffset) << c.name;

        QMimeData mime;
        mime.setData(QStringLiteral("image/bmp"), file);
        ASSERT_TRUE(MimeHasPicture(&mime));
        const PastedDib pasted = DibFromMimeData(&mime);
        ASSERT_TRUE(pasted.dib) << c.name;
        EXPECT_EQ(Bytes(pasted.dib), Bytes(original)) << c.name;
        EXPECT_NE(pasted.dib.data(), original.data()) << c.name;
    }
}

TEST(Clipboard, PaletteImageFromAnotherProgramBecomesEightBits) {
    QImage image(3, 2, QImage::Format_Indexed8);
    image.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 50), qRgb(0, 255, 0)});
    const uchar top[] = {0, 1, 2}, bottom[] = {2, 2, 1};
    std::memcpy(image.scanLine(0), top, 3);
    std::memcpy(image.scanLine(1), bottom, 3);
    QMimeData mime;
    mime.setImageData(image);
    const PastedDib pasted = DibFromMimeData(&mime);
    ASSERT_TRUE(pasted.dib);
    const std::uint8_t* h = pasted.dib.data();
    EXPECT_EQ(DibGetBitCount(h), 8);
    EXPECT_EQ(DibGetColorCount(h), 3);
    EXPECT_EQ(DibGetWidth(h), 3);
    EXPECT_EQ(DibGetHeight(h), 2);
    const std::vector<std::uint32_t> table = DibBuildPalette(pasted.dib);
    EXPECT_EQ(table, (std::vector<std::uint32_t>{0xFF0A141E, 0xFFC86432, 0xFF00FF00}));
    // Rows are stored bottom-up and padded to 4 bytes.
    const std::uint8_t* bits = DibGetBits(h);
    EXPECT_EQ(std::vector<std::uint8_t>(bits, bits + 8),
              (std::vector<std::uint8_t>{2, 2, 1, 0, 0, 1, 2, 0}));
}

TEST(Clipboard, TrueColourImageBecomesTwentyFourBits) {
    QImage image(2, 2, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(255, 0, 0, 255));
    image.setPixel(1, 0, qRgba(0, 255, 0, 255));
    image.setPixel(0, 1, qRgba(0, 0, 255, 255));
    image.setPixel(1, 1, qRgba(1, 2, 3, 255));
    QMimeData mime;
    mime.setImageData(image);
    const PastedDib pasted = DibFromMimeData(&mime);
    ASSERT_TRUE(pasted.dib);
    const std::uint8_t* h = pasted.dib.data();
    EXPECT_EQ(DibGetBitCount(h), 24);
    EXPECT_EQ(DibGetColorCount(h), 0);
    const std::uint8_t* bits = DibGetBits(h);
    // Bottom row first, blue-green-red, each row padded from 6 to 8 bytes.
    EXPECT_EQ(std::vector<std::uint8_t>(bits, bits + 16),
              (std::vector<std::uint8_t>{255, 0, 0, 3, 2, 1, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0}));
}

TEST(Clipboard, NothingUsableGivesNoPicture) {
    QMimeData text;
    text.setText(QStringLiteral("not a picture"));
    EXPECT_FALSE(MimeHasPicture(&text));
    EXPECT_FALSE(MimeHasPicture(nullptr));
    const PastedDib none = DibFromMimeData(&text);
    EXPECT_FALSE(none.dib);
    EXPECT_EQ(none.status, DibStatus::Ok); // nothing offered, nothing to tell

    // A bitmap whose pixel rows are cut short is refused by the entry check.
    const DibHandle whole = MakeDib({40, 4, 4, 1, 24}, std::vector<std::uint8_t>(48));
    QByteArray file = DibToBmpBytes(whole);
    file.chop(20);
    QMimeData cut;
    cut.setData(QStringLiteral("image/bmp"), file);
    const PastedDib refused = DibFromMimeData(&cut);
    EXPECT_FALSE(refused.dib);
    EXPECT_EQ(refused.status, DibStatus::Truncated);
}
