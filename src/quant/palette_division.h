// Divides colour space into boxes, always splitting the box of largest error, until `target`
// distinct representative colours exist, 760 boxes are used or no box can be split. The
// colours land in slots[0 .. found - 1] in box order; slots from `found` on are black with the
// unfilled key. Reports progress 450 and up to below 800; checks the cancel request after the
// first box and after every successful split. The entries are left as they are: the division
// reorders a copy of them; given the entries to keep, it reorders them where they are and frees
// them. With `threads` above 1 a second thread prepares splits ahead of the loop
// (quant/split_ahead.h); the result is the same for any `threads`, and either way.
#pragma once

#include "mapping/color_space.h"
#include "quant/color_entry.h"
#include "quant/palette_slot.h"
#include "runcontrol/quant_signal.h"
#include "runcontrol/stage_result.h"

#include <array>
#include <vector>

[[nodiscard]] StageResult DividePalette(const std::vector<ColorEntry>& entries, int target,
                                        const CColorSpace& space, QuantSignal& signal,
                                        std::array<PaletteSlot, 256>& slots, int& found,
                                        int threads = 1);
[[nodiscard]] StageResult DividePalette(std::vector<ColorEntry>&& entries, int target,
                                        const CColorSpace& space, QuantSignal& signal,
                                        std::array<PaletteSlot, 256>& slots, int& found,
                                        int threads = 1);
