// The image view: the arithmetic of what a paint draws where (pure functions, rectangles worked
// out by hand), and the view itself in a real main window: zoom, painting in device pixels,
// fitting windows, dragging, and a run result compared with its source. The painting cases also
// run on a desktop scaled by 2 (test_desktop_image_view_scaled).
#include "app_test_support.h"
#include "desktop/korvo_view.h"
#include "desktop/main_status_bar.h"
#include "desktop/palette_dock.h"
#include "desktop/view_geometry.h"
#include "document/korvo_doc.h"
#include "export/quality.h"
#include "tests/support/dib_builder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QSet>
#include <QStyleOptionTitleBar>
#include <QTest>
#include <QToolBar>

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

    // A 16-colour run result of a 300 x 200 gradient, as the active window; its source is the
    // first window.
    CKorvoView* Reduced() {
        CKorvoView* source = Open(Bmp24(300, 200, Gradient(300, 200)), "photo.bmp");
        if (!source)
            return nullptr;
        m_s->frame->m_runPriority = QThread::NormalPriority; // the machine may be busy
        m_s->rec.m_answers[QStringLiteral("controlPanel")] = [](QDialog& panel) {
            panel.findChild<QAbstractButton*>(QStringLiteral("radioBitSet1"))->click();
        };
        m_s->Action("actionReduce")->trigger();
        if (!m_s->WaitForRunEnd())
            return nullptr;
        CKorvoView* result = m_s->frame->ActiveImageView();
        return result != source ? result : nullptr;
    }
    CKorvoView* SourceView() const {
        return qobject_cast<CKorvoView*>(m_s->Windows().first()->widget());
    }
    static QMdiSubWindow* Frame(CKorvoView* view) {
        return qobject_cast<QMdiSubWindow*>(view->parentWidget());
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

    // Ctrl+plus and Ctrl+minus, Ctrl+wheel and "Fit to window" go through the levels, and the
    // status bar shows the zoom as a percentage.
    void zoomByKeysWheelAndFitToWindow() {
        CKorvoView* view = Open(BigBmp8(100, 60));
        QVERIFY(view);
        m_s->frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_s->frame));
        const auto shows = [this](const char* percent) {
            return m_s->frame->StatusBar()->ZoomText() == QLatin1String(percent);
        };
        QVERIFY(shows("100 %"));
        QTest::keyClick(view->viewport(), Qt::Key_Plus, Qt::ControlModifier);
        QVERIFY(shows("200 %"));
        QTest::keyClick(view->viewport(), Qt::Key_Minus, Qt::ControlModifier);
        QTest::keyClick(view->viewport(), Qt::Key_Minus, Qt::ControlModifier);
        QVERIFY(shows("50 %"));
        const auto wheel = [view](int delta) {
            QWheelEvent event(QPointF(10, 10), view->viewport()->mapToGlobal(QPointF(10, 10)),
                              QPoint(), QPoint(0, delta), Qt::NoButton, Qt::ControlModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(view->viewport(), &event);
        };
        wheel(-120);
        QVERIFY(shows("25 %"));
        wheel(60); // half a notch waits for the other half
        QVERIFY(shows("25 %"));
        wheel(60);
        QVERIFY(shows("50 %"));
        for (int i = 0; i < 4; ++i) // one more than the last level
            wheel(-120);
        QVERIFY(shows("3.125 %"));

        m_s->Action("actionFitToWindow")->trigger();
        QApplication::processEvents();
        // The largest level at which the window, grown within the area, shows it all.
        QMdiSubWindow* frame = Frame(view);
        const QSize room =
            m_s->frame->MdiArea()->viewport()->size() - (frame->size() - view->size());
        const int zoom = view->GetDocument()->m_nZoom;
        QVERIFY(zoom > 1 && 100 * zoom <= room.width() && 60 * zoom <= room.height());
        QVERIFY(100 * (zoom + 1) > room.width() || 60 * (zoom + 1) > room.height());
        QVERIFY(!view->horizontalScrollBar()->isVisible() &&
                !view->verticalScrollBar()->isVisible());
        QVERIFY(shows(qPrintable(QStringLiteral("%1 %").arg(zoom * 100))));
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
    // without scroll bars: its client area is the picture, or wider where the window would be
    // narrower than 240 pixels or than its whole title.
    void windowsFitTheirPicturesWithoutScrollBars() {
        const struct {
            QSize size;
            QString name;
            bool exact; // the client area is the picture
        } cases[] = {{{320, 200}, "320x200.bmp", true},
                     {{200, 150}, "200x150.bmp", false},
                     {{17, 11}, "a tiny picture whose name is longer than the picture.bmp", false}};
        for (const auto& c : cases) {
            CKorvoView* view = Open(BigBmp8(c.size.width(), c.size.height()), c.name);
            QVERIFY(view);
            QApplication::processEvents();
            QMdiSubWindow* frame = Frame(view);
            const QSize client = view->viewport()->size();
            if (c.exact)
                QCOMPARE(client, c.size);
            QVERIFY(frame->width() >= 240);
            QVERIFY(client.width() >= c.size.width() && client.height() >= c.size.height());
            QVERIFY(!view->horizontalScrollBar()->isVisible() &&
                    !view->verticalScrollBar()->isVisible());
            // The title bar as the window paints it has room for the whole title.
            QStyleOptionTitleBar bar;
            bar.initFrom(frame);
            bar.subControls = QStyle::SC_All;
            bar.titleBarFlags = frame->windowFlags();
            bar.text = c.name;
            bar.rect = QRect(4, 4, frame->width() - 8, 24);
            const int room =
                frame->style()
                    ->subControlRect(QStyle::CC_TitleBar, &bar, QStyle::SC_TitleBarLabel, frame)
                    .width();
            QVERIFY2(QFontMetrics(QApplication::font("QMdiSubWindowTitleBar"))
                             .horizontalAdvance(c.name) <= room,
                     qPrintable(c.name));
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

    // Compare shows the source in place of the result exactly as the source's own window shows
    // it at the same zoom and scroll position, at each of the 21 levels, and goes back.
    void CompareShowsTheOriginalAtEveryZoom() {
        CKorvoView* result = Reduced();
        QVERIFY(result);
        CKorvoView* source = SourceView();
        // The result's window opens beside its source, and its palette is shown.
        QVERIFY(!Frame(result)->geometry().intersects(Frame(source)->geometry()));
        QVERIFY(m_s->frame->PaletteDock()->isVisible());
        // The status bar shows the figures xkorvo-cli --stats prints for the pair.
        const QString figures = QString::fromStdString(QualityText(
            MeasureQuality(source->GetDocument()->m_hDib, result->GetDocument()->m_hDib)));
        QVERIFY(QTest::qWaitFor(
            [this, &figures] { return m_s->frame->StatusBar()->FiguresText() == figures; }));
        QAction* compare = m_s->Action("actionCompare");
        QVERIFY(compare->isEnabled() && m_s->frame->ToolBar()->actions().contains(compare));
        for (int zoom = kZoomMin; zoom <= kZoomMax; ++zoom) {
            result->SetZoom(zoom);
            source->SetZoom(zoom);
            Frame(source)->resize(Frame(result)->size());
            QApplication::processEvents();
            const ViewPoint total = result->GetTotalSize();
            result->ScrollToPosition({total.x / 3, total.y / 3});
            source->ScrollToPosition(result->GetScrollPosition());
            const QImage shown = Shot(result);
            compare->trigger();
            QVERIFY(compare->isChecked());
            const QImage compared = Shot(result);
            QVERIFY2(compared == Shot(source), qPrintable(QStringLiteral("zoom %1").arg(zoom)));
            QVERIFY(zoom < 1 || compared != shown);
            compare->trigger();
            QVERIFY(!compare->isChecked());
            QVERIFY(Shot(result) == shown);
        }
    }

    // The split shows the original left of the divider and the result right of it, each as its
    // own window shows it; the divider follows the mouse. With "Synchronize views" on, zooming or
    // scrolling either picture of the pair moves the other.
    void CompareSplitAndSynchronizedViewsStayAligned() {
        CKorvoView* result = Reduced();
        QVERIFY(result);
        CKorvoView* source = SourceView();
        m_s->Action("actionSyncViews")->trigger();
        result->SetZoom(3);
        QCOMPARE(source->GetDocument()->m_nZoom, 3);
        source->SetZoom(5);
        QCOMPARE(result->GetDocument()->m_nZoom, 5);
        Frame(source)->resize(Frame(result)->size());
        QApplication::processEvents();
        result->ScrollToPosition({300, 200});
        QVERIFY(source->GetScrollPosition() == (ViewPoint{300, 200}));
        source->ScrollToPosition({500, 100});
        QVERIFY(result->GetScrollPosition() == (ViewPoint{500, 100}));
        const QImage original = Shot(source), reduced = Shot(result);

        m_s->frame->MdiArea()->setActiveSubWindow(Frame(result));
        m_s->Action("actionCompareSplit")->trigger();
        QVERIFY(result->GetCompareMode() == CompareMode::Split);
        QWidget* port = result->viewport();
        const int k = qRound(result->devicePixelRatioF());
        const QPoint grip(int(result->SplitX() / k), port->height() / 2);
        const QPoint to(port->width() / 4, grip.y());
        QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, grip);
        QTest::mouseMove(port, to);
        QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, to);
        QCOMPARE(result->SplitX(), std::int64_t(to.x() * k));
        QVERIFY(result->GetScrollPosition() == (ViewPoint{500, 100})); // the divider, not a drag
        const QImage split = Shot(result);
        for (int y = 0; y < split.height(); y += 7)
            for (int x = 0; x < split.width(); ++x)
                if (x < to.x() * k || x >= (to.x() + 1) * k)
                    QCOMPARE(split.pixel(x, y), (x < to.x() * k ? original : reduced).pixel(x, y));
    }

    // The backslash key: pressed, it switches between result and original; held until it
    // repeats, it shows the original only until released. Closing the source ends the comparison
    // and disables it.
    void CompareKeyAndClosingTheSource() {
        CKorvoView* result = Reduced();
        QVERIFY(result);
        const auto key = [result](QEvent::Type type, bool repeat) {
            QKeyEvent event(type, Qt::Key_Backslash, Qt::NoModifier, QStringLiteral("\\"), repeat);
            QApplication::sendEvent(result->viewport(), &event);
        };
        const struct {
            std::vector<std::pair<QEvent::Type, bool>> keys;
            CompareMode after;
        } steps[] = {
            {{{QEvent::KeyPress, false}, {QEvent::KeyRelease, false}}, CompareMode::Original},
            {{{QEvent::KeyPress, false}, {QEvent::KeyRelease, false}}, CompareMode::Off},
            {{{QEvent::KeyPress, false}, {QEvent::KeyPress, true}}, CompareMode::Original},
            {{{QEvent::KeyRelease, false}}, CompareMode::Off},
        };
        for (const auto& step : steps) {
            for (const auto& [type, repeat] : step.keys)
                key(type, repeat);
            QVERIFY(result->GetCompareMode() == step.after);
        }

        m_s->Action("actionCompareSplit")->trigger();
        const QImage split = Shot(result);
        m_s->Windows().first()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the window goes
        QCOMPARE(m_s->Windows().size(), 1);
        QVERIFY(result->GetCompareMode() == CompareMode::Off);
        QVERIFY(!m_s->Action("actionCompare")->isEnabled());
        QVERIFY(!m_s->Action("actionCompareSplit")->isEnabled());
        key(QEvent::KeyPress, false);
        key(QEvent::KeyRelease, false);
        m_s->Action("actionCompare")->trigger();
        QVERIFY(result->GetCompareMode() == CompareMode::Off);
        QVERIFY(Shot(result) != split);
    }
};

QTEST_MAIN(TestImageView)
#include "image_view_test.moc"
