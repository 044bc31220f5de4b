// One entry of the palette while it is being built: its colour and its sort key (the colour's
// luminance). Unfilled entries are black with the largest key, so they sort last.
#pragma once

#include <cstdint>

struct PaletteSlot {
    std::uint32_t color = 0; // 0x00RRGGBB
    std::int32_t key = kUnfilledKey;

    static constexpr std::int32_t kUnfilledKey = 0x7FFFFFFF;
};
