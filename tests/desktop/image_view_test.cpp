// The image view: the arithmetic of what a paint draws where (pure functions, rectangles worked
// out by hand), and the view itself in a real main window: zoom, painting in device pixels,
// fitting windows, dragging. The painting cases also run on a
// desktop scaled by 2 (test_desktop_image_view_scaled).
#include "app_test_support.h"
#include "desktop/korvo_view.h"
#include "desktop/view_geometry.h"
#include "document/korvo_doc.h"
#include "tests/support/dib_builder.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QSet>
#include <QTest>

namespace {

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

    // The picture opened in a new window of the program, which starts if it has not yet.
    CKorvoView* Open(const std::vector<std::uint8_t>& bmp, const QString& name = "picture.bmp") {
        CMainFrame* frame = m_s->frame ? m_s->frame : m_s->StartTrusted();
        if (!frame || !frame->OpenDocumentFile(m_s->File(name, bmp)))
            return nullptr;
        return frame->ActiveImageView();
    }

    std::unique_ptr<DesktopSession> m_s;

private slots:
    void init() { m_s = std::make_unique<DesktopSession>(); }
    void cleanup() { m_s.reset(); }

    // What a paint draws (dst, client pixels) from where (src, picture pixels). Picture pixels
    // cut by an edge are drawn whole; a picture smaller than the client area is centred.
    void planDraw() {
        const struct {
            const char* name;
            ViewPoint scroll, client, picture;
            int zoom;
            ViewRect dst, src;
        } cases[] = {
            {"big", {100, 50}, {300, 200}, {1000, 800}, 1, {0, 0, 300, 200}, {100, 50, 400, 250}},
            {"smaller", {0, 0}, {300, 200}, {100, 50}, 1, {100, 75, 200, 125}, {0, 0, 100, 50}},
            // V = (10,10,41,41) gives source 3..13; the cut pixels 3 and 13 are drawn whole.
            {"3x cut", {10, 10}, {31, 31}, {100, 100}, 3, {-1, -1, 32, 32}, {3, 3, 14, 14}},
            // 10 pixels at 3x fill 30 of 31: the edge cell reaches no pixel beyond the picture.
            {"3x edge", {0, 0}, {31, 31}, {10, 10}, 3, {0, 0, 30, 30}, {0, 0, 10, 10}},
            {"1/2 scrolled", {5, 5}, {40, 20}, {101, 60}, 0, {0, 0, 40, 20}, {10, 10, 90, 50}},
            // 101 x 61 at 1/2 is 50 x 30, centred in 200 x 100 at (75, 35).
            {"1/2 odd", {0, 0}, {200, 100}, {101, 61}, 0, {75, 35, 125, 65}, {0, 0, 101, 61}},
            {"1x1 at 1/32", {0, 0}, {100, 80}, {1, 1}, -4, {}, {}},
        };
        for (const auto& c : cases) {
            const DrawPlan plan =
                PlanDraw(c.scroll, c.client.x, c.client.y, c.picture.x, c.picture.y, c.zoom);
            QVERIFY2(plan.dst == c.dst && plan.src == c.src, c.name);
        }
    }

    // Full-height strips left and right, and strips above and below across the picture; an odd
    // leftover goes right.
    void marginsCoverEverythingButThePicture() {
        const struct {
            ViewPoint client, total;
            std::vector<ViewRect> margins;
        } cases[] = {
            {{300, 200},
             {100, 50},
             {{0, 0, 100, 200}, {200, 0, 300, 200}, {100, 0, 200, 75}, {100, 125, 200, 200}}},
            {{300, 200}, {500, 50}, {{0, 0, 300, 75}, {0, 125, 300, 200}}},
            {{301, 100}, {100, 100}, {{0, 0, 100, 100}, {200, 0, 301, 100}}},
            {{300, 200}, {400, 300}, {}},
            {{100, 80}, {0, 0}, {{0, 0, 50, 80}, {50, 0, 100, 80}}},
        };
        for (const auto& c : cases)
            QVERIFY2(MarginRects(c.client.x, c.client.y, c.total.x, c.total.y) == c.margins,
                     qPrintable(QStringLiteral("case %1").arg(&c - cases)));
    }

    // The picture follows the mouse as far as it still fills the 300 x 200 client area.
    void dragClamps() {
        const ViewPoint big{1000, 800}; // scroll range 0..700, 0..600
        const struct {
            ViewPoint last, scroll, mouse, total, expected;
        } cases[] = {
            {{100, 100}, {50, 50}, {80, 90}, big, {70, 60}},
            {{0, 0}, {650, 550}, {-200, -200}, big, {700, 600}},
            {{0, 0}, {10, 10}, {100, 100}, big, {0, 0}},
            {{10, 10}, {0, 0}, {-50, -50}, {100, 50}, {0, 0}}, // a picture that fits stays
        };
        for (const auto& c : cases)
            QVERIFY2(DragScrollPosition(c.last, c.scroll, c.mouse, c.total.x, c.total.y, 300,
                                        200) == c.expected,
                     qPrintable(QStringLiteral("case %1").arg(&c - cases)));
    }

    void zoomStopsAtItsEndsWithScrollSizes() {
        CKorvoView* view = Open(Bmp24(2, 2, Gradient(2, 2)));
        QVERIFY(view);
        QAction* in = m_s->Action("actionZoomIn");
        QAction* out = m_s->Action("actionZoomOut");
        for (int i = 0; i < 20; ++i)
            in->trigger();
        QCOMPARE(view->GetDocument()->m_nZoom, 16);
        QVERIFY(!in->isEnabled() && out->isEnabled());
        QVERIFY(view->GetTotalSize() == (ViewPoint{32, 32}));
        for (int i = 0; i < 30; ++i)
            out->trigger();
        QCOMPARE(view->GetDocument()->m_nZoom, -4);
        QVERIFY(!out->isEnabled() && in->isEnabled());
        QVERIFY(view->GetTotalSize() == (ViewPoint{0, 0})); // 2 >> 5
        // Nothing of the picture is drawn; the margins cover the whole client area.
        QVERIFY(view->CurrentDrawPlan().dst.IsEmpty());
        const ViewPoint client = view->GetClientSize();
        std::int64_t area = 0;
        for (const ViewRect& r : view->CurrentMargins())
            area += r.Width() * r.Height();
        QVERIFY(client.x > 0 && area == client.x * client.y);
        m_s->Action("actionActualView")->trigger();
        QCOMPARE(view->GetDocument()->m_nZoom, 1);
        QVERIFY(view->GetTotalSize() == (ViewPoint{2, 2}));
    }

    void paintsPicturePixelsWholeAndMarginsHatched_data() {
        QTest::addColumn<int>("zoom");
        QTest::newRow("actual size") << 1;
        QTest::newRow("3x") << 3;
        QTest::newRow("16x") << 16;
    }

    // In a maximised window the picture sits centred between hatched margins, each picture pixel
    // a whole cell of its own colour.
    void paintsPicturePixelsWholeAndMarginsHatched() {
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
        const std::int64_t left = (c.x - 4 * zoom) / 2, top = (c.y - 2 * zoom) / 2;
        QVERIFY(view->CurrentDrawPlan().dst ==
                (ViewRect{left, top, left + 4 * zoom, top + 2 * zoom}));
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
        QCOMPARE(marginColours, (QSet<QRgb>{face.rgb() & 0xFFFFFFu,
                                            CKorvoView::HatchColour(face).rgb() & 0xFFFFFFu}));
    }

    // Every newly opened window, not only the first, shows its whole picture at actual size
    // without scroll bars: its client area is the picture, or larger where a tiny picture would
    // make the window narrower than its title bar allows.
    void windowsFitTheirPicturesWithoutScrollBars() {
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

    void largePictureFillsWindowAndDragIsClamped() {
        CKorvoView* view = Open(BigBmp8(2000, 1500));
        QVERIFY(view);
        // The window fits the picture only as far as the MDI area allows; the view scrolls.
        QMdiArea* area = m_s->frame->MdiArea();
        QVERIFY(area->activeSubWindow()->width() <= area->viewport()->width());
        QApplication::processEvents();
        const ViewPoint c = view->GetClientSize();
        QCOMPARE(view->horizontalScrollBar()->maximum(), int(2000 - c.x));
        QCOMPARE(view->verticalScrollBar()->maximum(), int(1500 - c.y));
        QVERIFY(view->CurrentDrawPlan().dst == (ViewRect{0, 0, c.x, c.y}));
        QVERIFY(view->CurrentMargins().empty());

        QWidget* port = view->viewport();
        QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
        QVERIFY(view->IsDragging());
        QCOMPARE(port->cursor().shape(), Qt::SizeAllCursor);
        QTest::mouseMove(port, QPoint(50, 60));
        const int k = qRound(view->devicePixelRatioF()); // scroll positions are device pixels
        QVERIFY(view->GetScrollPosition() == (ViewPoint{50 * k, 40 * k}));
        QTest::mouseMove(port, QPoint(-4000, -4000));
        QVERIFY(view->GetScrollPosition() == (ViewPoint{2000 - c.x, 1500 - c.y}));
        QTest::mouseMove(port, QPoint(4000, 4000));
        QVERIFY(view->GetScrollPosition() == (ViewPoint{0, 0}));
        QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, QPoint(4000, 4000));
        QVERIFY(!view->IsDragging());
        QVERIFY(port->cursor().shape() != Qt::SizeAllCursor);
    }
};

QTEST_MAIN(TestImageView)
#include "image_view_test.moc"
