// One weighted colour of the histogram: its point in the colour space, how much it counts, and
// the projection key the box division sorts by. The box division reorders pointers to entries,
// never the entries themselves.
#pragma once

#include "mapping/color_space.h"

#include <cstdint>

struct ColorEntry {
    SpacePoint point;
    std::uint32_t weight = 0; // 8 per pixel in smooth surroundings, 1 per other pixel
    double key = 0;           // projection on a box's principal axis, set while splitting
};
