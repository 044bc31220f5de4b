#include "quant/palette_finish.h"

#include <algorithm>

namespace {

// The fixed 16 colours, in the order they are appended.
constexpr std::uint32_t kFixedColors[16] = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0x808080,
    0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

std::int32_t Luminance(const CColorSpace& space, std::uint32_t color) {
    SpacePoint p;
    space.RgbToSpace(p, color);
    return p.luma;
}

// Largest minus smallest of the values, as the distance between them in floating point.
std::int32_t Extent(const SpacePoint* points, int count, std::int32_t SpacePoint::*axis) {
    if (count < 1)
        return 0;
    std::int32_t lo = points[0].*axis, hi = points[0].*axis;
    for (int i = 1; i < count; ++i) {
        lo = std::min(lo, points[i].*axis);
        hi = std::max(hi, points[i].*axis);
    }
    return static_cast<std::int32_t>(double(hi) - double(lo));
}

} // namespace

StageResult FinishPalette(const std::array<PaletteSlot, 256>& found, const QuantSettings& settings,
                          std::uint32_t transparentColor, const CColorSpace& space,
                          QuantSignal& signal, FinishedPalette& out) {
    out = FinishedPalette{};
    out.slots = found;
    // Held inside the table whatever the record says; the settings of a run are held so before it
    // starts.
    const int colorCount = std::clamp(settings.colorCount, 1, 256);
    const int fixed = settings.add16 == 1 ? 16 : 0;
    const int target = std::clamp(settings.Target(), 0, 256 - fixed);

    int count = target;
    for (int i = 0; i < fixed; ++i)
        out.slots[count++] = {kFixedColors[i], Luminance(space, kFixedColors[i]), true};

    OrderPalette(out, count, space);
    if (signal.Cancelled())
        return StageResult::Cancelled;

    out.searchCount = colorCount;
    if (settings.transPosition >= 0) {
        out.searchCount = colorCount - 1;
        out.transparentIndex = colorCount - 1;
        out.slots[colorCount - 1] = {transparentColor, Luminance(space, transparentColor)};
    }
    return StageResult::Ok;
}

void OrderPalette(FinishedPalette& palette, int count, const CColorSpace& space) {
    std::stable_sort(palette.slots.begin(), palette.slots.begin() + count,
                     [](const PaletteSlot& a, const PaletteSlot& b) { return a.key < b.key; });
    for (int i = 0; i < count; ++i)
        space.RgbToSpace(palette.points[i], palette.slots[i].color);
    palette.errorLimit[0] = Extent(palette.points, count, &SpacePoint::yb);
    palette.errorLimit[1] = Extent(palette.points, count, &SpacePoint::cr);
    palette.errorLimit[2] = Extent(palette.points, count, &SpacePoint::luma);
}
