// Palette refinement: after finishing, a few passes move the palette's own entries towards the
// colours they stand for. Each pass gives every histogram colour to its nearest searchable entry
// (weighted colour space, detail weights counted; of equally near entries the lowest index), then
// moves each entry, in index order, to the weighted mean of its colours snapped to the output
// grid. An entry stays where it is when it is a fixed colour, has no colours, would not come
// nearer to its colours (rounding the mean can land farther), or would take a colour another
// entry holds (the lower index keeps it). The transparent entry is never searched nor moved.
// After a pass that moved something the palette is put in luminance order again (stable: equal
// keys keep their order), with its points and error limits, exactly as finishing leaves it; so
// the weighted error over the histogram never grows. Stops after `passes` passes or at the first
// pass that moves nothing; 0 passes change nothing.
#pragma once

#include "mapping/color_space.h"
#include "quant/color_entry.h"
#include "quant/palette_finish.h"
#include "runcontrol/quant_signal.h"
#include "runcontrol/stage_result.h"

#include <vector>

// `entries` is the histogram the palette was divided from; `passes` is held to
// 0..kMaxRefinePasses. The result depends on the histogram, the palette and `passes` only:
// `threads` (1 or more) changes the time taken, nothing else. Checks the cancel request between
// blocks of colours; reports no progress of its own.
[[nodiscard]] StageResult RefinePalette(const std::vector<ColorEntry>& entries, int passes,
                                        const CColorSpace& space, int threads, QuantSignal& signal,
                                        FinishedPalette& palette);
