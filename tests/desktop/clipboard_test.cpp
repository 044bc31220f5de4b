// Pictures through the clipboard's data: exact bytes when the program talks to itself, converted
// images when another program offered only an image. Copy and Paste in the window are in
// main_window_test.cpp.
#include "app_test_support.h"
#include "desktop/clipboard.h"
#include "tests/support/dib_builder.h"

#include <QMimeData>
#include <QTest>
#include <cstring>

namespace {

QMimeData* BmpData(const QByteArray& file) {
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("image/bmp"), file);
    return mime;
}

} // namespace

class TestClipboard : public QObject {
    Q_OBJECT
private slots:
    // The file header in front of the block is counted independently: 14 + header + table.
    void copyThenPasteGivesTheSameBlock_data() {
        QTest::addColumn<QByteArray>("dib");
        QTest::addColumn<uint>("pixelOffset");
        const auto block = [](const DibFields& f, const std::vector<std::uint8_t>& rest) {
            return Bytes(MakeDib(f, rest));
        };
        QTest::newRow("8-bit, two colours used")
            << block({40, 2, 2, 1, 8, 0, 8, 2},
                     Concat(TableBytes({0xFF0000, 0x0000FF}), {0, 1, 0, 0, 1, 0, 0, 0}))
            << 14u + 40 + 8;
        QTest::newRow("1-bit, full table, no image size")
            << block({40, 9, 1, 1, 1}, Concat(TableBytes({0, 0xFFFFFF}), {0xAA, 0x80, 0, 0}))
            << 14u + 40 + 8;
        QTest::newRow("4-bit, full table")
            << block({40, 1, 1, 1, 4}, Concat(std::vector<std::uint8_t>(64, 7), {0x50, 0, 0, 0}))
            << 14u + 40 + 64;
        QTest::newRow("24-bit with a padded row")
            << block({40, 1, 2, 1, 24}, {1, 2, 3, 0, 4, 5, 6, 0}) << 14u + 40;
        QTest::newRow("core header, 1-bit")
            << block({12, 2, 1, 1, 1}, {0, 0, 0, 255, 255, 255, 0x40, 0, 0, 0}) << 14u + 12 + 6;
    }

    void copyThenPasteGivesTheSameBlock() {
        QFETCH(QByteArray, dib);
        DibHandle original = DibHandle::Allocate(std::size_t(dib.size()));
        std::memcpy(original.data(), dib.constData(), std::size_t(dib.size()));
        const QByteArray file = DibToBmpBytes(original);
        QCOMPARE(file.left(2), QByteArray("BM"));
        const auto* f = reinterpret_cast<const std::uint8_t*>(file.constData());
        QCOMPARE(ReadU32(f + 2), uint(14 + dib.size()));
        QTEST(uint(ReadU32(f + 10)), "pixelOffset");
        QCOMPARE(file.mid(14), dib);

        const std::unique_ptr<QMimeData> mime(BmpData(file));
        QVERIFY(MimeHasPicture(mime.get()));
        QCOMPARE(Bytes(DibFromMimeData(mime.get()).dib), dib);
    }

    void paletteImageFromAnotherProgramBecomesEightBits() {
        QImage image(3, 2, QImage::Format_Indexed8);
        image.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 50), qRgb(0, 255, 0)});
        std::memcpy(image.scanLine(0), "\0\1\2", 3);
        std::memcpy(image.scanLine(1), "\2\2\1", 3);
        QMimeData mime;
        mime.setImageData(image);
        const PastedDib pasted = DibFromMimeData(&mime);
        QVERIFY(pasted.dib);
        const std::uint8_t* h = pasted.dib.data();
        QCOMPARE(
            (QList<int>{DibGetBitCount(h), DibGetColorCount(h), DibGetWidth(h), DibGetHeight(h)}),
            (QList<int>{8, 3, 3, 2}));
        QCOMPARE(DibBuildPalette(pasted.dib),
                 (std::vector<std::uint32_t>{0xFF0A141E, 0xFFC86432, 0xFF00FF00}));
        // Rows are stored bottom-up and padded to 4 bytes.
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(DibGetBits(h)), 8),
                 QByteArray("\2\2\1\0\0\1\2\0", 8));
    }

    void trueColourImageBecomesTwentyFourBits() {
        QImage image(2, 2, QImage::Format_ARGB32);
        image.setPixel(0, 0, qRgba(255, 0, 0, 255));
        image.setPixel(1, 0, qRgba(0, 255, 0, 255));
        image.setPixel(0, 1, qRgba(0, 0, 255, 255));
        image.setPixel(1, 1, qRgba(1, 2, 3, 255));
        QMimeData mime;
        mime.setImageData(image);
        const PastedDib pasted = DibFromMimeData(&mime);
        QVERIFY(pasted.dib);
        const std::uint8_t* h = pasted.dib.data();
        QCOMPARE(DibGetBitCount(h), 24);
        QCOMPARE(DibGetColorCount(h), 0);
        // Bottom row first, blue-green-red, each row padded from 6 to 8 bytes.
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(DibGetBits(h)), 16),
                 QByteArray::fromHex("ff000003020100000000ff00ff000000"));
    }

    void nothingUsableGivesNoPicture() {
        QMimeData text;
        text.setText(QStringLiteral("not a picture"));
        QVERIFY(!MimeHasPicture(&text));
        QVERIFY(!MimeHasPicture(nullptr));
        const PastedDib none = DibFromMimeData(&text);
        QVERIFY(!none.dib);
        QCOMPARE(none.status, DibStatus::Ok); // nothing offered, nothing to tell

        // A bitmap whose pixel rows are cut short is refused by the entry check.
        QByteArray file = DibToBmpBytes(MakeDib({40, 4, 4, 1, 24}, std::vector<std::uint8_t>(48)));
        file.chop(20);
        const std::unique_ptr<QMimeData> cut(BmpData(file));
        const PastedDib refused = DibFromMimeData(cut.get());
        QVERIFY(!refused.dib);
        QCOMPARE(refused.status, DibStatus::Truncated);
    }
};

QTEST_MAIN(TestClipboard)
#include "clipboard_test.moc"
