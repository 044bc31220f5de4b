// The pictures beside the Engine page's sliders: each colour axis shown as two overlapping
// squares of its two colours, dull for less weight (left of the slider), vivid for more (right).
#pragma once

#include <QImage>

enum class ColorAxis { WhiteBlack, YellowBlue, CyanRed, GreenMagenta };

inline constexpr int kAxisIconSize = 32;

QImage AxisIcon(ColorAxis axis, bool vivid);
