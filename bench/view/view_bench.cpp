// How fast the image view opens and paints a big photo, next to the plain Qt way of doing the
// same: QImage loading the file and QPainter drawing the visible part. Prints milliseconds
// (median of several rounds) and the ratio view / plain; a ratio near 1 means the view adds
// little. The repaint figures for a small and a big picture show that a repaint costs the same
// whatever the picture's size.
//
//   xkorvo_view_bench [picture.bmp]   (default: a generated 6000 x 4000 photo-like BMP)
#include "desktop/korvo_view.h"
#include "document/korvo_doc.h"
#include "pluginhost/plugin_registry.h"
#include "view_bench_kit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct Figures {
    double viewOpen, plainOpen, viewFit, plainFit, viewRepaint, plainRepaint, viewZoomOut,
        plainZoomOut;
};

// Zooms out step by step until the whole picture fits the window, as a user fitting it would.
void FitToWindow(CKorvoView& view) {
    while (view.CanZoomOut() &&
           (view.horizontalScrollBar()->maximum() > 0 || view.verticalScrollBar()->maximum() > 0))
        view.OnZoomOut();
}

Figures Measure(const QString& path, int rounds) {
    Figures f{};
    QImage target(kScreenW, kScreenH, QImage::Format_RGB32);

    f.viewOpen = MedianMs(rounds, [&] {
        CKorvoDoc doc;
        (void)doc.Open(NoPlugins(), path);
        CKorvoView view(&doc);
        ShowOnScreen(view);
        view.viewport()->render(&target);
    });
    f.plainOpen = MedianMs(rounds, [&] {
        QImage img(path);
        QPainter p(&target);
        p.drawImage(0, 0, img, 0, 0, kScreenW, kScreenH);
    });
    // Opening and painting the whole picture scaled down to the window.
    f.viewFit = MedianMs(rounds, [&] {
        CKorvoDoc doc;
        (void)doc.Open(NoPlugins(), path);
        CKorvoView view(&doc);
        ShowOnScreen(view);
        FitToWindow(view);
        view.viewport()->render(&target);
    });
    f.plainFit = MedianMs(rounds, [&] {
        QImage img(path);
        const double scale =
            std::min(double(kScreenW) / img.width(), double(kScreenH) / img.height());
        QPainter p(&target);
        p.drawImage(QRectF(0, 0, img.width() * scale, img.height() * scale), img);
    });

    CKorvoDoc doc;
    (void)doc.Open(NoPlugins(), path);
    CKorvoView view(&doc);
    ShowOnScreen(view);
    view.ScrollToPosition({doc.m_sizeDoc.width() / 3, doc.m_sizeDoc.height() / 3});
    f.viewRepaint = MedianMs(rounds * 4, [&] { view.viewport()->render(&target); });

    const QImage img(path);
    const QRect part(img.width() / 3, img.height() / 3, kScreenW, kScreenH);
    f.plainRepaint = MedianMs(rounds * 4, [&] {
        QPainter p(&target);
        p.drawImage(QPoint(0, 0), img, part);
    });

    view.OnZoomOut(); // 1/2: a scaled draw
    view.ScrollToPosition({0, 0});
    f.viewZoomOut = MedianMs(rounds * 4, [&] { view.viewport()->render(&target); });
    const QRect half(0, 0, std::min(img.width(), 2 * kScreenW),
                     std::min(img.height(), 2 * kScreenH));
    f.plainZoomOut = MedianMs(rounds * 4, [&] {
        QPainter p(&target);
        p.drawImage(QRectF(0, 0, half.width() / 2, half.height() / 2), img, QRectF(half));
    });
    return f;
}

void Print(const char* what, double view, double plain) {
    std::printf("  %-28s view %8.2f ms   plain %8.2f ms   ratio %5.2f\n", what, view, plain,
                view / plain);
}

} // namespace

int main(int argc, char** argv) {
    PreferOffscreen();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString big =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : MakePicture(dir.path(), 6000, 4000);
    const QString small = MakePicture(dir.path(), 2400, 1600);

    for (const QString& path : {big, small}) {
        const QSize size = QImageReader(path).size();
        std::printf("%s: %d x %d (%.1f megapixels), view %d x %d\n", qPrintable(path), size.width(),
                    size.height(), size.width() * double(size.height()) / 1e6, kScreenW, kScreenH);
        const Figures f = Measure(path, 5);
        Print("open and first paint", f.viewOpen, f.plainOpen);
        Print("open and paint, fit to window", f.viewFit, f.plainFit);
        Print("repaint at actual size", f.viewRepaint, f.plainRepaint);
        Print("repaint at 1/2", f.viewZoomOut, f.plainZoomOut);
    }
    return 0;
}
