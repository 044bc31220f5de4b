// How fast the control panel's preview and compare answer the user, on a big photo:
//   - the time from a change of settings to a painted preview, for the photo (previewed on a
//     reduced copy) and for a 1-megapixel part of it (previewed whole);
//   - the time to switch a run result's view to its original and paint it, at fit-to-window and
//     at 400 %, next to painting the same view once.
// Prints milliseconds (median of several rounds) and ratios against painting the picture once.
//
//   xkorvo_preview_bench [picture.bmp]   (default: a generated 6000 x 3000 photo-like BMP)
#include "desktop/clipboard.h"
#include "desktop/korvo_view.h"
#include "desktop/preview_pane.h"
#include "document/korvo_doc.h"
#include "pluginhost/plugin_registry.h"
#include "quant/quant.h"
#include "settings/panel_values.h"
#include "view_bench_kit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

// The time from new settings to the preview painted, over `rounds` changes: a colour count and
// error diffusion, a different count each time.
double PreviewMs(const CKorvoDoc& doc, int rounds) {
    CPreviewPane pane;
    pane.resize(300, 300);
    pane.show();
    QElapsedTimer copy;
    copy.start();
    pane.SetPicture(&doc);
    std::printf("    preview copy of the picture made in %.1f ms (%s)\n",
                double(copy.nsecsElapsed()) / 1e6, pane.IsApproximate() ? "reduced" : "whole");
    QImage target(300, 300, QImage::Format_RGB32);
    int count = 200;
    return MedianMs(rounds, [&] {
        PanelValues values;
        values.m_nBitSet = 3;
        values.m_nNumBit = ++count;
        values.m_nDitherMode = 2;
        QEventLoop loop;
        QObject::connect(&pane, &CPreviewPane::Updated, &loop, &QEventLoop::quit);
        pane.SetValues(values);
        loop.exec();
        pane.render(&target);
    });
}

void Print(const char* what, double ms, double base, const char* target) {
    std::printf("  %-44s %8.2f ms   ratio %6.2f   %s\n", what, ms, ms / base, target);
}

} // namespace

int main(int argc, char** argv) {
    PreferOffscreen();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : MakePicture(dir.path(), 6000, 3000);
    const int rounds = 7;
    QImage target(kScreenW, kScreenH, QImage::Format_RGB32);

    auto source = std::make_unique<CKorvoDoc>();
    (void)source->Open(NoPlugins(), path);
    if (!source->HasDib()) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return 1;
    }
    const QSize size = source->m_sizeDoc;
    std::printf("%s: %d x %d (%.1f megapixels), view %d x %d\n", qPrintable(path), size.width(),
                size.height(), size.width() * double(size.height()) / 1e6, kScreenW, kScreenH);

    // The result the compare figures switch from: 256 colours, no dither, as Reduce makes it.
    auto result = std::make_unique<CKorvoDoc>();
    {
        CPixelArray graph;
        graph.SetSource(&source->m_hDib);
        QuantSignal signal;
        if (CQuant(SettingsForRun(PanelValues())).Quantize(graph, signal, {}) != QuantResult::Done)
            return 1;
        result->SetDib(graph.TakeResult());
        result->m_pSource = source.get();
    }
    CKorvoView view(result.get());
    ShowOnScreen(view);
    view.OnFitToWindow();
    const int fitZoom = result->m_nZoom;
    const auto paint = [&] { view.viewport()->render(&target); };
    const auto toggle = [&] {
        view.SetCompareMode(view.GetCompareMode() == CompareMode::Off ? CompareMode::Original
                                                                      : CompareMode::Off);
        view.viewport()->render(&target);
    };
    const double fitPaint = MedianMs(rounds * 4, paint);
    const double fitToggle = MedianMs(rounds * 4, toggle);
    view.SetCompareMode(CompareMode::Off);
    view.SetZoom(4);
    view.ScrollToPosition({view.GetTotalSize().x / 3, view.GetTotalSize().y / 3});
    const double zoomPaint = MedianMs(rounds * 4, paint);
    const double zoomToggle = MedianMs(rounds * 4, toggle);

    std::printf("  painting the result once: %.2f ms at fit to window (%.4g %%), %.2f ms at "
                "400 %%\n",
                fitPaint, ZoomPercent(fitZoom), zoomPaint);
    Print("compare toggled and painted, fit to window", fitToggle, fitPaint,
          "(target: at most 16 ms more than one paint)");
    Print("compare toggled and painted, 400 %", zoomToggle, zoomPaint,
          "(target: at most 16 ms more than one paint)");

    std::printf("  preview, setting change to painted preview (ratio against one paint at fit):\n");
    Print("whole picture, reduced copy", PreviewMs(*source, rounds), fitPaint,
          "(target: at most 300 ms)");
    // A part of about 1 megapixel from the middle, previewed whole.
    const int side = std::min({1024, size.width(), size.height()});
    CKorvoDoc part;
    part.SetDib(DibFromImage(source->DisplayImage().copy((size.width() - side) / 2,
                                                         (size.height() - side) / 2, side, side)));
    Print(qPrintable(QStringLiteral("%1 x %1 part, whole").arg(side)), PreviewMs(part, rounds),
          fitPaint, "(target: at most 300 ms)");
    return 0;
}
