// The pictures beside the Engine page's sliders: each colour axis shown as two overlapping
// squares of its two colours, dull for less weight (left of the slider), vivid for more (right).
#pragma once

#include <QColor>
#include <QWidget>

class QPainter;

enum class ColorAxis { WhiteBlack, YellowBlue, CyanRed, GreenMagenta };

inline constexpr int kAxisIconSize = 32;

// Draws the icon into a kAxisIconSize square at the painter's origin; `outline` edges the
// squares.
void DrawAxisIcon(QPainter& painter, ColorAxis axis, bool vivid, const QColor& outline);

// The icon as a widget: drawn at the screen's pixel density, edged in the text colour of the
// widget's palette, so it stays sharp and visible on any theme.
class CAxisIcon : public QWidget {
public:
    CAxisIcon(ColorAxis axis, bool vivid, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ColorAxis m_axis;
    bool m_bVivid;
};
