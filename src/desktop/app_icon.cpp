#include "desktop/app_icon.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <functional>

namespace {

// The pixel density the drawn icons are made for besides 1: sharp on a screen scaled by 2.
constexpr qreal kHighDensity = 2;
qreal g_density = 1; // the density of the icon being drawn; the painters work in logical pixels

QPixmap Canvas(int size) {
    QPixmap pm(qRound(size * g_density), qRound(size * g_density));
    pm.setDevicePixelRatio(g_density);
    pm.fill(Qt::transparent);
    return pm;
}

// Lines the program draws over the tool bar take the palette's text colour, so they stay
// visible on a dark theme.
QColor Ink() {
    return QGuiApplication::palette().color(QPalette::ButtonText);
}

// An icon from `draw` at both densities.
QIcon Drawn(int size, const std::function<QPixmap(int)>& draw) {
    QIcon icon;
    for (qreal density : {qreal(1), kHighDensity}) {
        g_density = density;
        icon.addPixmap(draw(size));
    }
    g_density = 1;
    return icon;
}

// Four palette squares: the picture reduced to a handful of colours.
QPixmap PaletteSquares(int size) {
    QPixmap pm = Canvas(size);
    QPainter p(&pm);
    const int h = size / 2;
    p.fillRect(0, 0, h, h, QColor(0xD0, 0x30, 0x30));
    p.fillRect(h, 0, size - h, h, QColor(0x30, 0xA0, 0x40));
    p.fillRect(0, h, h, size - h, QColor(0x30, 0x50, 0xD0));
    p.fillRect(h, h, size - h, size - h, QColor(0xE0, 0xC0, 0x30));
    return pm;
}

QPixmap Magnifier(int size, const QString& sign) {
    QPixmap pm = Canvas(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Ink(), 2));
    p.drawEllipse(QRectF(2, 2, size * 0.6, size * 0.6));
    p.drawLine(QPointF(size * 0.55, size * 0.55), QPointF(size - 2, size - 2));
    p.setFont(QFont(QString(), size / 2, QFont::Bold));
    p.drawText(QRectF(2, 2, size * 0.6, size * 0.6), Qt::AlignCenter, sign);
    return pm;
}

QPixmap Cross(int size) {
    QPixmap pm = Canvas(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0xC0, 0x20, 0x20), 3));
    p.drawLine(4, 4, size - 4, size - 4);
    p.drawLine(size - 4, 4, 4, size - 4);
    return pm;
}

QPixmap Folder(int size) {
    QPixmap pm = Canvas(size);
    QPainter p(&pm);
    p.setPen(QColor(120, 90, 20));
    p.setBrush(QColor(240, 200, 80));
    p.drawRect(1, 6, size - 3, size - 9);
    p.drawRect(1, 3, size / 3, 3);
    return pm;
}

QPixmap Disk(int size) {
    QPixmap pm = Canvas(size);
    QPainter p(&pm);
    p.setPen(QColor(30, 40, 90));
    p.setBrush(QColor(60, 80, 170));
    p.drawRect(1, 1, size - 3, size - 3);
    p.fillRect(5, 2, size - 10, 6, Qt::white);
    p.fillRect(4, size - 8, size - 8, 6, QColor(200, 200, 210));
    return pm;
}

// Two sheets: `clip` adds a clip on top (paste), otherwise the sheets overlap (copy).
QPixmap Sheets(int size, bool clip) {
    QPixmap pm = Canvas(size);
    QPainter p(&pm);
    p.setPen(Ink());
    if (clip) {
        p.setBrush(QColor(190, 150, 90));
        p.drawRect(2, 3, size - 5, size - 5);
        p.setBrush(Qt::white);
        p.drawRect(6, 7, size - 11, size - 10);
        p.fillRect(size / 2 - 3, 1, 6, 4, QColor(120, 120, 120));
    } else {
        p.setBrush(Qt::white);
        p.drawRect(1, 1, size / 2 + 2, size / 2 + 4);
        p.drawRect(size / 2 - 3, size / 2 - 5, size / 2 + 1, size / 2 + 3);
    }
    return pm;
}

// Compare: the palette squares on the left half (the result's colours are few) beside smooth
// shades on the right (the original), framed in the text colour; `split` draws the divider.
QPixmap Halves(int size, bool split) {
    QPixmap pm = Canvas(size);
    QPainter p(&pm);
    const int h = size / 2;
    p.fillRect(QRect(1, 1, h - 1, h - 1), QColor(0xD0, 0x30, 0x30));
    p.fillRect(QRect(1, h, h - 1, size - 1 - h), QColor(0x30, 0x50, 0xD0));
    QLinearGradient shades(h, 1, size - 1, size - 1);
    shades.setColorAt(0, QColor(0xD0, 0x60, 0x50));
    shades.setColorAt(1, QColor(0x50, 0x80, 0xD0));
    p.fillRect(QRect(h, 1, size - 1 - h, size - 2), shades);
    p.setPen(Ink());
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, size - 1, size - 1));
    if (split)
        p.drawLine(QPointF(h, 0), QPointF(h, size));
    return pm;
}

} // namespace

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 20, 32, 48, 64})
        icon.addPixmap(PaletteSquares(size));
    return icon;
}

QIcon CommandIcon(const QString& themeName, const QString& command) {
    if (!themeName.isEmpty() && QIcon::hasThemeIcon(themeName))
        return QIcon::fromTheme(themeName);
    const struct {
        const char* command;
        std::function<QPixmap(int)> draw;
    } drawn[] = {
        {"actionReduce", PaletteSquares},
        {"actionZoomIn", [](int size) { return Magnifier(size, QStringLiteral("+")); }},
        {"actionZoomOut", [](int size) { return Magnifier(size, QStringLiteral("-")); }},
        {"actionActualView", [](int size) { return Magnifier(size, QStringLiteral("1")); }},
        {"actionFitToWindow", [](int size) { return Magnifier(size, QStringLiteral("[]")); }},
        {"actionCancel", Cross},
        {"actionOpen", Folder},
        {"actionSaveAs", Disk},
        {"actionCopy", [](int size) { return Sheets(size, false); }},
        {"actionPaste", [](int size) { return Sheets(size, true); }},
        {"actionCompare", [](int size) { return Halves(size, false); }},
        {"actionCompareSplit", [](int size) { return Halves(size, true); }},
    };
    for (const auto& icon : drawn)
        if (command == QLatin1String(icon.command))
            return Drawn(20, icon.draw);
    return {};
}
