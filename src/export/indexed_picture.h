// A picture as palette entries and one index per pixel, the form the PNG and GIF writers and
// the palette reader take it in.
#pragma once

#include "image/dib.h"

#include <cstdint>
#include <string>
#include <vector>

struct IndexedPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> palette; // 0x00RRGGBB, 1..256 entries
    std::vector<std::uint8_t> indices;  // width x height, top row first, each < palette.size()
};

// A palette picture (uncompressed, 1, 4 or 8 bits) keeps its colour table and indices; an index
// beyond a short table stands for black, as the program shows it, and the palette grows to
// cover it. Any other picture the engine can unpack becomes its distinct colours in the order
// they first appear, top row first; more than 256 of them cannot be held. On failure the result
// has no pixels and `reason` says why.
[[nodiscard]] IndexedPicture ToIndexed(const DibHandle& dib, std::string& reason);
