// The image view: the arithmetic of what a paint draws where (pure functions, rectangles worked
// out by hand), the display image it draws from, and the view itself in a real main window:
// zoom, painting in device pixels, fitting windows, dragging. The painting cases also run on a
// desktop scaled by 2 (test_desktop_image_view_scaled).
#include "app_test_support.h"
#include "desktop/korvo_view.h"
#include "desktop/view_geometry.h"
#include "document/display_image.h"
#include "document/korvo_doc.h"
#include "tests/support/dib_builder.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <cstring>

Q_DECLARE_METATYPE(ViewRect)
Q_DECLARE_METATYPE(ViewPoint)

namespace QTest {
template <> char* toString(const ViewRect& r) {
    return qstrdup(QByteArray::number(qlonglong(r.left)) + "," + QByteArray::number(r.top) + "," +
                   QByteArray::number(r.right) + "," + QByteArray::number(r.bottom));
}
template <> char* toString(const ViewPoint& p) {
    return qstrdup(QByteArray::number(qlonglong(p.x)) + "," + QByteArray::number(p.y));
}
} // namespace QTest

namespace {

QByteArray Block(const DibFields& f, const std::vector<std::uint8_t>& rest) {
    const std::vector<std::uint8_t> bytes = Concat(HeaderBytes(f), rest);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

std::vector<std::uint8_t> Hex(const char* hex) {
    const QByteArray bytes = QByteArray::fromHex(hex);
    return {bytes.begin(), bytes.end()};
}

// An 8-bit grey picture, cheap to make at large sizes.
std::vector<std::uint8_t> BigBmp8(int w, int h) {
    std::vector<std::uint32_t> greys;
    for (std::uint32_t i = 0; i < 256; ++i)
        greys.push_back(i * 0x010101);
    const std::size_t stride = std::size_t(w + 3) / 4 * 4;
    return BitmapFile({40, w, h, 1, 8, 0, 0, 256},
                      Concat(TableBytes(greys), std::vector<std::uint8_t>(stride * h, 0x40)));
}

} // namespace

class TestImageView : public QObject {
    Q_OBJECT
private slots:
    void init() { m_s = std::make_unique<DesktopSession>(); }
    void cleanup() { m_s.reset(); }

    void planDraw_data();
    void planDraw();
    void marginsCoverEverythingButThePicture_data();
    void marginsCoverEverythingButThePicture();
    void dragClamps_data();
    void dragClamps();
    void showsStoredColours_data();
    void showsStoredColours();

    void zoomStopsAtItsEndsWithScrollSizes();
    void tinyPictureAtSmallestZoomIsAllMargin();
    void paintsPicturePixelsWholeAndMarginsHatched_data();
    void paintsPicturePixelsWholeAndMarginsHatched();
    void windowsFitTheirPicturesWithoutScrollBars();
    void largePictureFillsWindowAndDragIsClamped();

private:
    // The picture opened in a new window of the program, which starts if it has not yet.
    CKorvoView* Open(const std::vector<std::uint8_t>& bmp, const QString& name = "picture.bmp") {
        CMainFrame* frame = m_s->frame ? m_s->frame : m_s->StartTrusted();
        if (!frame || !frame->OpenDocumentFile(m_s->File(name, bmp)))
            return nullptr;
        return frame->ActiveImageView();
    }

    std::unique_ptr<DesktopSession> m_s;
};

void TestImageView::planDraw_data() {
    QTest::addColumn<ViewPoint>("scroll");
    QTest::addColumn<ViewPoint>("client");
    QTest::addColumn<ViewPoint>("picture");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<ViewRect>("dst");
    QTest::addColumn<ViewRect>("src");
    QTest::newRow("larger picture, scrolled")
        << ViewPoint{100, 50} << ViewPoint{300, 200} << ViewPoint{1000, 800} << 1
        << ViewRect{0, 0, 300, 200} << ViewRect{100, 50, 400, 250};
    QTest::newRow("smaller picture centred")
        << ViewPoint{0, 0} << ViewPoint{300, 200} << ViewPoint{100, 50} << 1
        << ViewRect{100, 75, 200, 125} << ViewRect{0, 0, 100, 50};
    // V = (10,10,41,41) gives source 3..13; the cut pixels 3 and 13 are drawn whole: 9..42.
    QTest::newRow("3x, cut pixels drawn whole")
        << ViewPoint{10, 10} << ViewPoint{31, 31} << ViewPoint{100, 100} << 3
        << ViewRect{-1, -1, 32, 32} << ViewRect{3, 3, 14, 14};
    // 10 pixels at 3x fill 30 of 31: the edge cell must not reach a pixel beyond the picture.
    QTest::newRow("3x, nothing beyond the last pixel")
        << ViewPoint{0, 0} << ViewPoint{31, 31} << ViewPoint{10, 10} << 3 << ViewRect{0, 0, 30, 30}
        << ViewRect{0, 0, 10, 10};
    QTest::newRow("1/2, scrolled") << ViewPoint{5, 5} << ViewPoint{40, 20} << ViewPoint{101, 60}
                                   << 0 << ViewRect{0, 0, 40, 20} << ViewRect{10, 10, 90, 50};
    // 101 x 61 at 1/2 is 50 x 30, centred in 200 x 100 at (75, 35).
    QTest::newRow("1/2, odd picture whole and centred")
        << ViewPoint{0, 0} << ViewPoint{200, 100} << ViewPoint{101, 61} << 0
        << ViewRect{75, 35, 125, 65} << ViewRect{0, 0, 101, 61};
    QTest::newRow("1x1 at 1/32 draws nothing") << ViewPoint{0, 0} << ViewPoint{100, 80}
                                               << ViewPoint{1, 1} << -4 << ViewRect{} << ViewRect{};
}

void TestImageView::planDraw() {
    QFETCH(ViewPoint, scroll);
    QFETCH(ViewPoint, client);
    QFETCH(ViewPoint, picture);
    QFETCH(int, zoom);
    const DrawPlan plan = PlanDraw(scroll, client.x, client.y, picture.x, picture.y, zoom);
    QTEST(plan.dst, "dst");
    QTEST(plan.src, "src");
}

void TestImageView::marginsCoverEverythingButThePicture_data() {
    QTest::addColumn<ViewPoint>("client");
    QTest::addColumn<ViewPoint>("total");
    QTest::addColumn<QList<ViewRect>>("margins");
    QTest::newRow("smaller both ways")
        << ViewPoint{300, 200} << ViewPoint{100, 50}
        << QList<ViewRect>{
               {0, 0, 100, 200}, {200, 0, 300, 200}, {100, 0, 200, 75}, {100, 125, 200, 200}};
    QTest::newRow("wider than the window, shorter")
        << ViewPoint{300, 200} << ViewPoint{500, 50}
        << QList<ViewRect>{{0, 0, 300, 75}, {0, 125, 300, 200}};
    QTest::newRow("odd leftover goes right")
        << ViewPoint{301, 100} << ViewPoint{100, 100}
        << QList<ViewRect>{{0, 0, 100, 100}, {200, 0, 301, 100}};
    QTest::newRow("larger: no margin")
        << ViewPoint{300, 200} << ViewPoint{400, 300} << QList<ViewRect>{};
    QTest::newRow("empty picture: all margin") << ViewPoint{100, 80} << ViewPoint{0, 0}
                                               << QList<ViewRect>{{0, 0, 50, 80}, {50, 0, 100, 80}};
}

void TestImageView::marginsCoverEverythingButThePicture() {
    QFETCH(ViewPoint, client);
    QFETCH(ViewPoint, total);
    const std::vector<ViewRect> got = MarginRects(client.x, client.y, total.x, total.y);
    QTEST(QList<ViewRect>(got.begin(), got.end()), "margins");
}

void TestImageView::dragClamps_data() {
    QTest::addColumn<ViewPoint>("last");
    QTest::addColumn<ViewPoint>("scroll");
    QTest::addColumn<ViewPoint>("mouse");
    QTest::addColumn<ViewPoint>("total");
    QTest::addColumn<ViewPoint>("expected");
    const ViewPoint big{1000, 800}; // in a 300 x 200 client: range 0..700, 0..600
    QTest::newRow("picture follows the mouse") << ViewPoint{100, 100} << ViewPoint{50, 50}
                                               << ViewPoint{80, 90} << big << ViewPoint{70, 60};
    QTest::newRow("stops where the picture still fills the window")
        << ViewPoint{0, 0} << ViewPoint{650, 550} << ViewPoint{-200, -200} << big
        << ViewPoint{700, 600};
    QTest::newRow("stops at the top left")
        << ViewPoint{0, 0} << ViewPoint{10, 10} << ViewPoint{100, 100} << big << ViewPoint{0, 0};
    QTest::newRow("picture that fits does not move")
        << ViewPoint{10, 10} << ViewPoint{0, 0} << ViewPoint{-50, -50} << ViewPoint{100, 50}
        << ViewPoint{0, 0};
}

void TestImageView::dragClamps() {
    QFETCH(ViewPoint, last);
    QFETCH(ViewPoint, scroll);
    QFETCH(ViewPoint, mouse);
    QFETCH(ViewPoint, total);
    QTEST(DragScrollPosition(last, scroll, mouse, total.x, total.y, 300, 200), "expected");
}

// Every bit count and both header kinds come out top row first with the colours the picture
// stores; a picture whose rows the block does not hold gives no image.
void TestImageView::showsStoredColours_data() {
    QTest::addColumn<QByteArray>("dib");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<uint>("rgb");
    std::vector<std::uint32_t> sixteen;
    for (std::uint32_t i = 0; i < 16; ++i)
        sixteen.push_back(i * 0x101010);
    // 9 x 2 at 1 bit: two bytes per row plus padding; the bottom row is stored first.
    const QByteArray mono =
        Block({40, 9, 2, 1, 1, 0, 0, 2},
              Concat(TableBytes({0x0A141E, 0xC86432}), Hex("0080000080000000")));
    QTest::newRow("1 bit, top row") << mono << QPoint(0, 0) << 0xC86432u;
    QTest::newRow("1 bit, ninth pixel of the bottom row") << mono << QPoint(8, 1) << 0xC86432u;
    QTest::newRow("4 bit, third pixel")
        << Block({40, 3, 1, 1, 4, 0, 0, 16}, Concat(TableBytes(sixteen), Hex("12300000")))
        << QPoint(2, 0) << 0x303030u;
    const QByteArray beyond =
        Block({40, 2, 1, 1, 8, 0, 0, 2}, Concat(TableBytes({0x112233, 0x445566}), Hex("01050000")));
    QTest::newRow("8 bit") << beyond << QPoint(0, 0) << 0x445566u;
    QTest::newRow("8 bit, index beyond the table is black") << beyond << QPoint(1, 0) << 0u;
    // 5-5-5: 0x4210 has 16 in every channel, shown as (16 << 3) | (16 >> 2) = 132.
    const QByteArray five = Block({40, 3, 1, 1, 16}, Hex("007c104200000000"));
    QTest::newRow("16 bit red") << five << QPoint(0, 0) << 0xFF0000u;
    QTest::newRow("16 bit grey") << five << QPoint(1, 0) << 0x848484u;
    const QByteArray rgb = Block({40, 1, 2, 1, 24}, Hex("0000ff00ff000000"));
    QTest::newRow("24 bit, top row is stored last") << rgb << QPoint(0, 0) << 0x0000FFu;
    QTest::newRow("24 bit, bottom row is stored first") << rgb << QPoint(0, 1) << 0xFF0000u;
    QTest::newRow("32 bit ignores the fourth byte")
        << Block({40, 1, 1, 1, 32}, Hex("332211ff")) << QPoint(0, 0) << 0x112233u;
    QTest::newRow("core header, 3-byte colour entries")
        << Block({12, 2, 1, 1, 1}, Hex("030201c0b0a040000000")) << QPoint(1, 0) << 0xA0B0C0u;
    // 3 x 2, run-length: two pixels of 1 then end of line, then one pixel of 2, end of picture.
    const QByteArray rle8 =
        Block({40, 3, 2, 1, 8, 1, 8, 3},
              Concat(TableBytes({0, 0xFF0000, 0x00FF00}), Hex("0201000001020001")));
    QTest::newRow("RLE8 bottom row") << rle8 << QPoint(1, 1) << 0xFF0000u;
    QTest::newRow("RLE8 top row") << rle8 << QPoint(0, 0) << 0x00FF00u;
    QTest::newRow("RLE4 alternates the two nibbles")
        << Block({40, 3, 1, 1, 4, 2, 4, 16}, Concat(TableBytes(sixteen), Hex("03120001")))
        << QPoint(2, 0) << 0x101010u;
    // Two rows of 4 bytes announced, one present.
    QTest::newRow("rows cut short give nothing")
        << Block({40, 1, 2, 1, 24}, Hex("0000ff00")) << QPoint(-1, -1) << 0u;
}

void TestImageView::showsStoredColours() {
    QFETCH(QByteArray, dib);
    QFETCH(QPoint, at);
    DibHandle block = DibHandle::Allocate(std::size_t(dib.size()));
    std::memcpy(block.data(), dib.constData(), std::size_t(dib.size()));
    const QImage image = DibMakeDisplayImage(block);
    QCOMPARE(image.isNull(), at.x() < 0);
    if (!image.isNull()) {
        QCOMPARE(image.size(), QSize(DibGetWidth(block.data()), DibGetHeight(block.data())));
        QTEST(image.pixel(at) & 0xFFFFFFu, "rgb");
    }
}

void TestImageView::zoomStopsAtItsEndsWithScrollSizes() {
    CKorvoView* view = Open(Bmp24(2, 2, Gradient(2, 2)));
    QVERIFY(view);
    QAction* in = m_s->Action("actionZoomIn");
    QAction* out = m_s->Action("actionZoomOut");
    for (int i = 0; i < 20; ++i)
        in->trigger();
    QCOMPARE(view->GetDocument()->m_nZoom, 16);
    QVERIFY(!in->isEnabled() && out->isEnabled());
    QCOMPARE(view->GetTotalSize(), (ViewPoint{32, 32}));
    for (int i = 0; i < 30; ++i)
        out->trigger();
    QCOMPARE(view->GetDocument()->m_nZoom, -4);
    QVERIFY(!out->isEnabled() && in->isEnabled());
    QCOMPARE(view->GetTotalSize(), (ViewPoint{0, 0})); // 2 >> 5
    m_s->Action("actionActualView")->trigger();
    QCOMPARE(view->GetDocument()->m_nZoom, 1);
    QCOMPARE(view->GetTotalSize(), (ViewPoint{2, 2}));
}

void TestImageView::tinyPictureAtSmallestZoomIsAllMargin() {
    CKorvoView* view = Open(Bmp24(1, 1, {0x123456}));
    QVERIFY(view);
    for (int i = 0; i < 5; ++i)
        view->OnZoomOut();
    QVERIFY(view->CurrentDrawPlan().dst.IsEmpty());
    const ViewPoint client = view->GetClientSize();
    QVERIFY(client.x > 0 && client.y > 0);
    std::int64_t area = 0;
    for (const ViewRect& r : view->CurrentMargins())
        area += r.Width() * r.Height();
    QCOMPARE(area, client.x * client.y);
}

void TestImageView::paintsPicturePixelsWholeAndMarginsHatched_data() {
    QTest::addColumn<int>("zoom");
    QTest::newRow("actual size") << 1;
    QTest::newRow("3x") << 3;
    QTest::newRow("16x") << 16;
}

// In a maximised window the picture sits centred between hatched margins, each picture pixel a
// whole cell of its own colour.
void TestImageView::paintsPicturePixelsWholeAndMarginsHatched() {
    QFETCH(int, zoom);
    const std::vector<std::uint32_t> pixels = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF,
                                               0x000000, 0x808080, 0x102030, 0xF0E0D0};
    CKorvoView* view = Open(Bmp24(4, 2, pixels));
    QVERIFY(view);
    m_s->frame->MdiArea()->activeSubWindow()->showMaximized();
    for (int z = 1; z < zoom; ++z)
        view->OnZoomIn();
    QApplication::processEvents();
    // Device pixels: on a scaled desktop zoom 1 still maps one picture pixel to one of them.
    const QImage shot = view->viewport()->grab().toImage();
    const ViewPoint c = view->GetClientSize();
    const ViewRect dst = view->CurrentDrawPlan().dst;
    const std::int64_t left = (c.x - 4 * zoom) / 2, top = (c.y - 2 * zoom) / 2;
    QCOMPARE(dst, (ViewRect{left, top, left + 4 * zoom, top + 2 * zoom}));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            for (int dy : {0, zoom - 1})
                for (int dx : {0, zoom - 1}) {
                    const QPoint at(int(left) + x * zoom + dx, int(top) + y * zoom + dy);
                    QCOMPARE(shot.pixel(at) & 0xFFFFFFu, uint(pixels[y * 4 + x]));
                }
    const QColor face = view->palette().color(QPalette::Button);
    QSet<QRgb> marginColours;
    for (int x = 0; x < int(left); ++x)
        marginColours << (shot.pixel(x, 0) & 0xFFFFFFu);
    QCOMPARE(marginColours,
             (QSet<QRgb>{face.rgb() & 0xFFFFFFu, CKorvoView::HatchColour(face).rgb() & 0xFFFFFFu}));
}

// Every newly opened window, not only the first, shows its whole picture at actual size without
// scroll bars: its client area is the picture, or larger where a tiny picture would make the
// window narrower than its title bar allows.
void TestImageView::windowsFitTheirPicturesWithoutScrollBars() {
    for (const QSize size : {QSize(320, 200), QSize(200, 150), QSize(17, 11)}) {
        const QString name = QStringLiteral("%1x%2.bmp").arg(size.width()).arg(size.height());
        CKorvoView* view = Open(BigBmp8(size.width(), size.height()), name);
        QVERIFY(view);
        QApplication::processEvents();
        const QSize client = view->viewport()->size();
        if (size.width() > 100) // not tiny
            QCOMPARE(client, size);
        QVERIFY(client.width() >= size.width() && client.height() >= size.height());
        QVERIFY(!view->horizontalScrollBar()->isVisible());
        QVERIFY(!view->verticalScrollBar()->isVisible());
    }
}

void TestImageView::largePictureFillsWindowAndDragIsClamped() {
    CKorvoView* view = Open(BigBmp8(2000, 1500));
    QVERIFY(view);
    // The window fits the picture only as far as the MDI area allows; the view scrolls.
    QMdiArea* area = m_s->frame->MdiArea();
    QVERIFY(area->activeSubWindow()->width() <= area->viewport()->width());
    QApplication::processEvents();
    const ViewPoint c = view->GetClientSize();
    QCOMPARE(view->horizontalScrollBar()->maximum(), int(2000 - c.x));
    QCOMPARE(view->verticalScrollBar()->maximum(), int(1500 - c.y));
    QCOMPARE(view->CurrentDrawPlan().dst, (ViewRect{0, 0, c.x, c.y}));
    QVERIFY(view->CurrentMargins().empty());

    QWidget* port = view->viewport();
    QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QVERIFY(view->IsDragging());
    QCOMPARE(port->cursor().shape(), Qt::SizeAllCursor);
    QTest::mouseMove(port, QPoint(50, 60));
    const int k = qRound(view->devicePixelRatioF()); // scroll positions are device pixels
    QCOMPARE(view->GetScrollPosition(), (ViewPoint{50 * k, 40 * k}));
    QTest::mouseMove(port, QPoint(-4000, -4000));
    QCOMPARE(view->GetScrollPosition(), (ViewPoint{2000 - c.x, 1500 - c.y}));
    QTest::mouseMove(port, QPoint(4000, 4000));
    QCOMPARE(view->GetScrollPosition(), (ViewPoint{0, 0}));
    QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, QPoint(4000, 4000));
    QVERIFY(!view->IsDragging());
    QVERIFY(port->cursor().shape() != Qt::SizeAllCursor);
}

QTEST_MAIN(TestImageView)
#include "image_view_test.moc"
