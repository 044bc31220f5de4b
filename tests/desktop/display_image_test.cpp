// The display image made from a packed DIB: every bit count and both header kinds come out
// top row first with the colours the picture stores.
#include "dib_builder.h"
#include "document/display_image.h"

#include <QTest>

Q_DECLARE_METATYPE(DibLayout)

class TestDisplayImage : public QObject {
    Q_OBJECT
private slots:
    void showsStoredColours_data();
    void showsStoredColours();
    void refusesRowsTheBlockDoesNotHold();
};

void TestDisplayImage::showsStoredColours_data() {
    QTest::addColumn<DibLayout>("layout");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<uint>("rgb");

    // 9 x 2 at 1 bit: two bytes per row plus padding; the bottom row is stored first.
    DibLayout mono{9,
                   2,
                   1,
                   false,
                   {0x0A141E, 0xC86432},
                   0,
                   QByteArray::fromHex("00800000"
                                       "80000000")};
    QTest::newRow("1 bit, top row") << mono << QPoint(0, 0) << 0xC86432u;
    QTest::newRow("1 bit, ninth pixel of the bottom row") << mono << QPoint(8, 1) << 0xC86432u;

    QList<std::uint32_t> sixteen;
    for (std::uint32_t i = 0; i < 16; ++i)
        sixteen << i * 0x101010;
    DibLayout nibble{3, 1, 4, false, sixteen, 0, QByteArray::fromHex("12300000")};

    QTest::newRow("4 bit, third pixel") << nibble << QPoint(2, 0) << 0x303030u;

    DibLayout beyond{2, 1, 8, false, {0x112233, 0x445566}, 0, QByteArray::fromHex("01050000")};
    QTest::newRow("8 bit") << beyond << QPoint(0, 0) << 0x445566u;
    QTest::newRow("8 bit, index beyond the table is black") << beyond << QPoint(1, 0) << 0u;

    // 5-5-5: 0x4210 has 16 in every channel, shown as (16 << 3) | (16 >> 2) = 132.
    DibLayout five{3, 1, 16, false, {}, 0, QByteArray::fromHex("007c104200000000")};
    QTest::newRow("16 bit red") << five << QPoint(0, 0) << 0xFF0000u;
    QTest::newRow("16 bit grey") << five << QPoint(1, 0) << 0x848484u;

    DibLayout rgb{1,
                  2,
                  24,
                  false,
                  {},
                  0,
                  QByteArray::fromHex("0000ff00"
                                      "ff000000")};
    QTest::newRow("24 bit, top row is stored last") << rgb << QPoint(0, 0) << 0x0000FFu;
    QTest::newRow("24 bit, bottom row is stored first") << rgb << QPoint(0, 1) << 0xFF0000u;

    DibLayout quad{1, 1, 32, false, {}, 0, QByteArray::fromHex("332211ff")};
    QTest::newRow("32 bit ignores the fourth byte") << quad << QPoint(0, 0) << 0x112233u;

    DibLayout core{2, 1, 1, true, {0x010203, 0xA0B0C0}, 0, QByteArray::fromHex("40000000")};
    QTest::newRow("core header, 3-byte colour entries") << core << QPoint(1, 0) << 0xA0B0C0u;

    // 3 x 2, run-length: two pixels of 1 then end of line, then one pixel of 2, end of picture.
    DibLayout rle8{3,
                   2,
                   8,
                   false,
                   {0, 0xFF0000, 0x00FF00},
                   1,
                   QByteArray::fromHex("0201"
                                       "0000"
                                       "0102"
                                       "0001")};
    QTest::newRow("RLE8 bottom row") << rle8 << QPoint(1, 1) << 0xFF0000u;
    QTest::newRow("RLE8 top row") << rle8 << QPoint(0, 0) << 0x00FF00u;

    DibLayout rle4{3,
                   1,
                   4,
                   false,
                   sixteen,
                   2,
                   QByteArray::fromHex("0312"
                                       "0001")};
    QTest::newRow("RLE4 alternates the two nibbles") << rle4 << QPoint(2, 0) << 0x101010u;
}

void TestDisplayImage::showsStoredColours() {
    QFETCH(DibLayout, layout);
    QFETCH(QPoint, at);
    QFETCH(uint, rgb);
    const QImage image = DibMakeDisplayImage(MakeDib(layout));
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), QSize(layout.width, layout.height));
    QCOMPARE(image.pixel(at) & 0xFFFFFFu, rgb);
}

void TestDisplayImage::refusesRowsTheBlockDoesNotHold() {
    // Two rows of 4 bytes announced, one present.
    DibLayout cut{1, 2, 24, false, {}, 0, QByteArray::fromHex("0000ff00")};
    QVERIFY(DibMakeDisplayImage(MakeDib(cut)).isNull());
    QVERIFY(DibMakeDisplayImage(DibHandle()).isNull());
}

int RunDisplayImageTests(int argc, char** argv) {
    TestDisplayImage t;
    return QTest::qExec(&t, argc, argv);
}

#include "display_image_test.moc"
