// One entry of the palette while it is being built: its colour and its sort key (the colour's
// luminance). Unfilled entries are black with the largest key, so they sort last. A fixed entry
// (one of the 16 fixed colours) keeps its colour whatever later stages do.
#pragma once

#include <cstdint>

struct PaletteSlot {
    std::uint32_t color = 0; // 0x00RRGGBB
    std::int32_t key = kUnfilledKey;
    bool fixed = false;

    static constexpr std::int32_t kUnfilledKey = 0x7FFFFFFF;
};
