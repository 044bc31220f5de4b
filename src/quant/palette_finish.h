// Turns the colours found by the division into the run's palette: appends the fixed 16
// colours when asked, sorts everything by luminance (stable, unfilled black entries last),
// computes the searchable entries' points and error limits, and puts the transparent colour
// into the last entry. Checks the cancel request once, after the error limits.
#pragma once

#include "mapping/color_space.h"
#include "quant/palette_slot.h"
#include "quant/quant_settings.h"
#include "runcontrol/quant_signal.h"
#include "runcontrol/stage_result.h"

#include <array>
#include <cstdint>

struct FinishedPalette {
    std::array<PaletteSlot, 256> slots{}; // entries 0 .. colorCount - 1 form the result palette
    SpacePoint points[256] = {};          // points of the searchable entries
    std::int32_t errorLimit[3] = {};      // extent of the points per axis: yb, cr, luma
    int searchCount = 0;                  // entries 0 .. searchCount - 1 take part in the search
    int transparentIndex = -1;            // colorCount - 1 with a transparent entry, else -1
};

// `found` is the division's slot table for `settings.Target()`; `transparentColor` is the
// corner pixel's value (used only with a transparent entry).
[[nodiscard]] StageResult FinishPalette(const std::array<PaletteSlot, 256>& found,
                                        const QuantSettings& settings,
                                        std::uint32_t transparentColor, const CColorSpace& space,
                                        QuantSignal& signal, FinishedPalette& out);

// Puts slots 0 .. count - 1 in ascending order of their keys (stable: equal keys keep their
// order) and computes their points and error limits. FinishPalette ends with this; a stage that
// changes the colours afterwards calls it again.
void OrderPalette(FinishedPalette& palette, int count, const CColorSpace& space);
