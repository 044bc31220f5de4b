#include "quant/palette_division.h"

#include "quant/divide_box.h"
#include "quant/split_ahead.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

namespace {

std::int32_t Luminance(const CColorSpace& space, std::uint32_t color) {
    SpacePoint p;
    space.RgbToSpace(p, color);
    return p.luma;
}

// Writes the distinct representative colours of boxes 0 .. boxCount - 1, in box order, into
// the slots from 0 on, at most `target` of them; the rest up to the target become unfilled.
int CollectDistinct(const ColorBox* boxes, int boxCount, int target, const CColorSpace& space,
                    std::array<PaletteSlot, 256>& slots) {
    int found = 0;
    for (int b = 0; b < boxCount && found < target; ++b) {
        const std::uint32_t color = boxes[b].reprColor;
        const auto end = slots.begin() + found;
        if (std::find_if(slots.begin(), end,
                         [&](const PaletteSlot& s) { return s.color == color; }) != end)
            continue;
        slots[found++] = {color, Luminance(space, color)};
    }
    for (int s = found; s < target; ++s)
        slots[s] = PaletteSlot{};
    return found;
}

int SplitProgress(int found, int target) {
    const double d = found;
    const double share = 0.5 * (1 - 1 / std::sqrt(std::max(d, 1.0))) + 0.5 * d / target;
    return static_cast<int>(450 + 350 * share);
}

} // namespace

StageResult DividePalette(const std::vector<ColorEntry>& entries, int target,
                          const CColorSpace& space, QuantSignal& signal,
                          std::array<PaletteSlot, 256>& slots, int& found, int threads) {
    slots.fill(PaletteSlot{});
    found = 0;
    std::vector<ColorEntry> work; // reordered by the splits; `entries` keeps its order
    try {
        work.assign(entries.begin(), entries.end());
    } catch (const std::bad_alloc&) {
        return StageResult::OutOfMemory;
    }
    return DividePalette(std::move(work), target, space, signal, slots, found, threads);
}

StageResult DividePalette(std::vector<ColorEntry>&& entries, int target, const CColorSpace& space,
                          QuantSignal& signal, std::array<PaletteSlot, 256>& slots, int& found,
                          int threads) {
    slots.fill(PaletteSlot{});
    found = 0;
    target = std::clamp(target, 0, 256);
    const int entryCount = static_cast<int>(entries.size());

    std::vector<ColorEntry> work = std::move(entries); // reordered by the splits, freed at the end
    std::vector<ColorBox> boxes;
    CDivideBox divider;
    try {
        boxes.resize(kBoxTableSize);
        divider.ReserveSplit(entries.size());
    } catch (const std::bad_alloc&) {
        return StageResult::OutOfMemory;
    }

    signal.SetProgress(450);
    divider.FillBox(boxes.data(), work.data(), 0, 0, entryCount, space);
    if (signal.Cancelled())
        return StageResult::Cancelled;
    if (target == 0)
        return StageResult::Ok;

    signal.SetProgress(450 + 350 / target);
    // Declared after the boxes and entries, so its helper has stopped before they are freed.
    CSplitAhead ahead(boxes.data(), work.data(), 1, space, divider);
    const bool helper = threads > 1 && ahead.Start();
    int boxCount = 1;
    int distinct = 0;
    while (distinct < target) {
        if (boxCount >= kMaxBoxes)
            break;
        int chosen = 0; // the lowest index wins ties
        for (int b = 1; b < boxCount; ++b)
            if (boxes[b].error > boxes[chosen].error)
                chosen = b;
        if (boxes[chosen].error <= 0)
            break; // every box is a single colour or was refused
        if (!(helper ? ahead.SplitBox(chosen, boxCount, divider)
                     : divider.SplitBox(boxes.data(), work.data(), chosen, boxCount, space)))
            continue;
        ++boxCount;
        distinct = CollectDistinct(boxes.data(), boxCount, target, space, slots);
        if (signal.Cancelled())
            return StageResult::Cancelled;
        signal.SetProgress(SplitProgress(distinct, target));
    }

    // A picture of one rounded colour is never split; it still keeps that colour.
    if (distinct == 0 && entryCount > 0) {
        slots[0] = {boxes[0].reprColor, Luminance(space, boxes[0].reprColor)};
        distinct = 1;
    }
    found = distinct;
    return StageResult::Ok;
}
