#include "desktop/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap Canvas(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    return pm;
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
    p.setPen(QPen(QColor(40, 40, 40), 2));
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
    p.setPen(QColor(60, 60, 60));
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
    const int size = 20;
    if (command == QLatin1String("actionReduce"))
        return QIcon(PaletteSquares(size));
    if (command == QLatin1String("actionZoomIn"))
        return QIcon(Magnifier(size, QStringLiteral("+")));
    if (command == QLatin1String("actionZoomOut"))
        return QIcon(Magnifier(size, QStringLiteral("-")));
    if (command == QLatin1String("actionActualView"))
        return QIcon(Magnifier(size, QStringLiteral("1")));
    if (command == QLatin1String("actionCancel"))
        return QIcon(Cross(size));
    if (command == QLatin1String("actionOpen"))
        return QIcon(Folder(size));
    if (command == QLatin1String("actionSaveAs"))
        return QIcon(Disk(size));
    if (command == QLatin1String("actionCopy"))
        return QIcon(Sheets(size, false));
    if (command == QLatin1String("actionPaste"))
        return QIcon(Sheets(size, true));
    return {};
}
