// Pixel mapping: once the palette is final, every pixel gets a palette index by one of five
// methods: nearest entry ("(none)"), error carried along a Peano walk ("GPeanos"), serpentine
// error diffusion with the 7-3-5-1 kernel ("error diffusion") or the 12-cell kernel ("average
// error"), or ordered pattern dithering ("cartoon"). Pixels of the transparent colour get the
// transparent index and neither take nor leave any error.
#pragma once

#include "mapping/color_space.h"
#include "mapping/nearest_search.h"
#include "mapping/pixel_rows.h"
#include "runcontrol/quant_signal.h"
#include "runcontrol/stage_result.h"

#include <cstddef>
#include <cstdint>

// Everything one mapping reads and the index rows it writes.
struct MapJob {
    PixelRows pixels; // width x height 0x00RRGGBB
    int width = 0;
    int height = 0;
    // Row y's `width` index bytes start at indices + y * indexStride; every one of them is
    // written, nothing between rows is. A flat buffer has the stride `width`; the rows of a
    // bottom-up picture have a negative stride, `indices` pointing at its top row.
    std::uint8_t* indices = nullptr;
    std::ptrdiff_t indexStride = 0;
    const CColorSpace* space = nullptr;
    CNearestSearch* nearest = nullptr;    // palette points set, K entries searchable
    std::uint32_t transColor = 0x1000000; // no 24-bit pixel equals 0x1000000
    int transIndex = 0;
    int limits[3] = {0, 0, 0}; // error bounds on the yb, cr and luma axes
    int ditherMode = 0;        // 0..4
    int ditherLevel = 0;       // 0..10: tenths of the error carried
    QuantSignal* signal = nullptr;

    std::uint8_t* IndexRow(int y) const { return indices + y * indexStride; }
};

// Runs the chosen method. Progress goes from 800 towards 1000; every method but the Peano walk
// stops at the end of a row when a cancel is requested, leaving the index rows incomplete.
[[nodiscard]] StageResult MapPixels(const MapJob& job);
