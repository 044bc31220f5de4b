// One weighted colour of the histogram: its point in the colour space and how much it counts,
// 16 bytes. The box division reorders a copy of the entries, and recomputes the projection keys
// it sorts by rather than storing them.
#pragma once

#include "mapping/color_space.h"

#include <cstdint>

struct ColorEntry {
    SpacePoint point;
    std::uint32_t weight = 0; // 8 per pixel in smooth surroundings, 1 per other pixel
};
