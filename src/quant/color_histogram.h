// The smoothness-weighted colour histogram of a picture. Pixels in flat surroundings count 8,
// pixels in detailed parts count 1; transparent pixels count nothing. Colours are counted after
// the input rounding that `inputMask` (7, 3, 1 or 0) describes.
#pragma once

#include "mapping/color_space.h"
#include "mapping/pixel_rows.h"
#include "quant/color_entry.h"
#include "runcontrol/quant_signal.h"
#include "runcontrol/stage_result.h"

#include <array>
#include <cstdint>
#include <vector>

// t[v] = min(v + (mask + 1) / 2, 255) with the bits of mask cleared.
std::array<std::uint8_t, 256> InputRoundingTable(int inputMask);

// Fills `entries` (replacing its contents) with one entry per rounded colour, in ascending
// colour order. `pixels` gives width x height colours 0x00RRGGBB; pixels equal to
// `transparentColor` (0x1000000 for none) are left out. The picture is taken in chunks of rows
// (of about 2^21 pixels), each by two passes: one finds the smooth pixels, one forms the keys.
// Reports progress 20 + (80 a + 300 b) / height after each row of either pass, a and b the rows
// each pass has reached (one chunk: 20..100, then 100..400), and 425 after the runs; checks the
// cancel request after each row and after each chunk's runs and the entries. Allocates a key
// buffer of two bytes and a bit for the smooth flag per pixel of a chunk.
[[nodiscard]] StageResult BuildColorHistogram(const PixelRows& pixels, int width, int height,
                                              int inputMask, std::uint32_t transparentColor,
                                              const CColorSpace& space, QuantSignal& signal,
                                              std::vector<ColorEntry>& entries);
// The same with chunks of `chunkRows` rows (0: as above), rounded up to whole bands of 64 or more
// rows. The entries do not depend on it.
[[nodiscard]] StageResult BuildColorHistogram(const PixelRows& pixels, int width, int height,
                                              int inputMask, std::uint32_t transparentColor,
                                              const CColorSpace& space, QuantSignal& signal,
                                              std::vector<ColorEntry>& entries, int chunkRows);
// The same for width x height values, row after row.
[[nodiscard]] StageResult BuildColorHistogram(const std::uint32_t* pixels, int width, int height,
                                              int inputMask, std::uint32_t transparentColor,
                                              const CColorSpace& space, QuantSignal& signal,
                                              std::vector<ColorEntry>& entries);
