#include "quant/fixed_palette.h"

#include <algorithm>

void UseFixedPalette(const std::vector<std::uint32_t>& colors, std::uint32_t transparentColor,
                     const CColorSpace& space, FinishedPalette& out,
                     std::array<std::uint8_t, 256>& order) {
    out = FinishedPalette{};
    const int count = static_cast<int>(std::min<std::size_t>(colors.size(), 256));
    SpacePoint given[256];
    for (int i = 0; i < count; ++i)
        space.RgbToSpace(given[i], colors[static_cast<std::size_t>(i)]);

    // The entry the corner maps to: the nearest in the colour space, ties to the lowest index.
    int marked = -1;
    if (transparentColor <= 0xFFFFFF && count > 0) {
        SpacePoint corner;
        space.RgbToSpace(corner, transparentColor);
        marked = 0;
        for (int i = 1; i < count; ++i)
            if (CColorSpace::Distance2(corner, given[i]) <
                CColorSpace::Distance2(corner, given[marked]))
                marked = i;
    }
    int at = 0;
    for (int i = 0; i < count; ++i)
        if (i != marked)
            order[static_cast<std::size_t>(at++)] = static_cast<std::uint8_t>(i);
    if (marked >= 0)
        order[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(marked);

    for (int i = 0; i < count; ++i) {
        const int from = order[static_cast<std::size_t>(i)];
        out.slots[static_cast<std::size_t>(i)].color = colors[static_cast<std::size_t>(from)];
        out.points[i] = given[from];
    }
    // A palette of one entry has nothing else to search.
    out.searchCount = marked >= 0 && count > 1 ? count - 1 : count;
    out.transparentIndex = marked >= 0 ? count - 1 : -1;
    // Error limits as palette finishing sets them: the extent of the searchable points.
    const auto extent = [&](std::int32_t SpacePoint::*axis) {
        std::int32_t lo = out.points[0].*axis, hi = lo;
        for (int i = 1; i < out.searchCount; ++i) {
            lo = std::min(lo, out.points[i].*axis);
            hi = std::max(hi, out.points[i].*axis);
        }
        return static_cast<std::int32_t>(double(hi) - double(lo));
    };
    if (count > 0) {
        out.errorLimit[0] = extent(&SpacePoint::yb);
        out.errorLimit[1] = extent(&SpacePoint::cr);
        out.errorLimit[2] = extent(&SpacePoint::luma);
    }
}
