// A given palette in place of a computed one ("palettes in"): the colours of a device or a
// game, onto which the pixels are mapped as they are, with no histogram and no division. The
// palette keeps its order. A transparent corner marks the entry nearest to the corner's colour;
// that entry then goes last in the search order and, as the computed palette's transparent
// entry, takes part in no search, so only the corner's colour becomes transparent.
#pragma once

#include "mapping/color_space.h"
#include "quant/palette_finish.h"

#include <array>
#include <cstdint>
#include <vector>

// `colors`: 1..256 entries, 0x00RRGGBB. `transparentColor`: the corner pixel's value, or
// 0x1000000 for none. Fills `out` in search order and `order` with each search position's
// index in `colors`.
void UseFixedPalette(const std::vector<std::uint32_t>& colors, std::uint32_t transparentColor,
                     const CColorSpace& space, FinishedPalette& out,
                     std::array<std::uint8_t, 256>& order);
