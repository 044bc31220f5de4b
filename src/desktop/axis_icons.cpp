#include "desktop/axis_icons.h"

#include <QPainter>

namespace {

struct AxisColors {
    QRgb dullBack, dullFront, vividBack, vividFront;
};

AxisColors ColorsOf(ColorAxis axis) {
    switch (axis) {
    case ColorAxis::WhiteBlack:
        return {qRgb(192, 192, 192), qRgb(96, 96, 96), qRgb(255, 255, 255), qRgb(0, 0, 0)};
    case ColorAxis::YellowBlue:
        return {qRgb(128, 128, 0), qRgb(0, 0, 128), qRgb(255, 255, 0), qRgb(0, 0, 255)};
    case ColorAxis::CyanRed:
        return {qRgb(0, 128, 128), qRgb(128, 0, 0), qRgb(0, 255, 255), qRgb(255, 0, 0)};
    case ColorAxis::GreenMagenta:
        break;
    }
    return {qRgb(0, 128, 0), qRgb(128, 0, 128), qRgb(0, 255, 0), qRgb(255, 0, 255)};
}

} // namespace

QImage AxisIcon(ColorAxis axis, bool vivid) {
    const AxisColors colors = ColorsOf(axis);
    QImage image(kAxisIconSize, kAxisIconSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    // Two 20-pixel squares offset by 10 pixels: each shows a corner of the other.
    const int side = 20;
    painter.setPen(QColor(0, 0, 0));
    painter.setBrush(QColor(vivid ? colors.vividBack : colors.dullBack));
    painter.drawRect(2, 2, side - 1, side - 1);
    painter.setBrush(QColor(vivid ? colors.vividFront : colors.dullFront));
    painter.drawRect(10, 10, side - 1, side - 1);
    return image;
}
