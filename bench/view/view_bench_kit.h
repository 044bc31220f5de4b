// What the view benchmarks share: a screen-sized window, median timings and a photo-like picture.
#pragma once

#include "desktop/korvo_view.h"
#include "pluginhost/plugin_registry.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

constexpr int kScreenW = 1920, kScreenH = 1080;

// Draws offscreen unless the caller chose a platform: the figures should not depend on a
// compositor. Call before the application object is made.
inline void PreferOffscreen() {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// No plug-ins: the BMP reader reads the benchmark's pictures.
inline const PluginHost& NoPlugins() {
    static PluginHost host;
    return host;
}

inline double MedianMs(int rounds, const std::function<void()>& work) {
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// A smooth photo-like picture with some noise, saved as a 24-bit BMP.
inline QString MakePicture(const QString& dir, int w, int h) {
    QImage img(w, h, QImage::Format_RGB888);
    std::uint32_t seed = 12345;
    for (int y = 0; y < h; ++y) {
        uchar* row = img.scanLine(y);
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int noise = int((seed >> 16) & 15);
            row[3 * x] = uchar((x * 255 / w + noise) & 0xFF);
            row[3 * x + 1] = uchar((y * 255 / h + noise) & 0xFF);
            row[3 * x + 2] = uchar(((x + y) * 127 / (w + h) + 64) & 0xFF);
        }
    }
    const QString path = QStringLiteral("%1/photo-%2x%3.bmp").arg(dir).arg(w).arg(h);
    img.save(path, "BMP");
    return path;
}

// A view as a window of the screen's size shows it: sized, shown, laid out for its picture.
inline void ShowOnScreen(CKorvoView& view) {
    view.resize(kScreenW, kScreenH);
    view.show();
    view.OnInitialUpdate();
}
