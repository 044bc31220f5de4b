// A literal, slow second implementation of one whole quantization run (histogram, box division,
// palette finishing, nearest search, the five mapping methods), written from the program's
// written rules only, so that the engine can be compared with it picture by picture.
#pragma once

#include "quant/quant_settings.h"
#include "tests/quant/model/model_space.h"

#include <cstdint>
#include <vector>

namespace model {

struct ModelResult {
    std::vector<std::uint32_t> palette; // colorCount entries, 0x00RRGGBB
    std::vector<std::uint8_t> indices;  // width x height, top row first
};

// pixels: width x height 0x00RRGGBB values, top row first; width, height >= 1.
ModelResult Quantize(const std::vector<std::uint32_t>& pixels, int width, int height,
                     const QuantSettings& settings);

// The colour histogram of a run, as the box division receives it: one entry per colour after
// the input rounding, in ascending colour order, without the `transparent` colour.
struct HistogramEntry {
    Point point;
    int weight;
};
std::vector<HistogramEntry> Histogram(const std::vector<std::uint32_t>& pixels, int width,
                                      int height, const QuantSettings& settings,
                                      std::uint32_t transparent);

} // namespace model
