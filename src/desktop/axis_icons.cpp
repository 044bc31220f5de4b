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

void DrawAxisIcon(QPainter& painter, ColorAxis axis, bool vivid, const QColor& outline) {
    const AxisColors colors = ColorsOf(axis);
    // Two 20-pixel squares offset by 10 pixels: each shows a corner of the other.
    const int side = 20;
    painter.setPen(outline);
    painter.setBrush(QColor(vivid ? colors.vividBack : colors.dullBack));
    painter.drawRect(2, 2, side - 1, side - 1);
    painter.setBrush(QColor(vivid ? colors.vividFront : colors.dullFront));
    painter.drawRect(10, 10, side - 1, side - 1);
}

CAxisIcon::CAxisIcon(ColorAxis axis, bool vivid, QWidget* parent)
    : QWidget(parent), m_axis(axis), m_bVivid(vivid) {
    setFixedSize(kAxisIconSize, kAxisIconSize);
}

void CAxisIcon::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    DrawAxisIcon(painter, m_axis, m_bVivid, palette().color(QPalette::WindowText));
}
