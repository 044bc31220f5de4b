// The inner search of CNearestSearch, in a header so that the per-pixel loops that depend on
// each search's result (error diffusion, the Peano walk) compile it into their own body, for the
// processor they were compiled for, instead of calling it once a pixel.
#pragma once

#include "mapping/nearest_search.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace nearest {

constexpr std::int64_t kCellSize = 131072;      // 8 levels of 16384 units
constexpr std::int64_t kChromaOffset = 2621440; // the grid starts 160 levels below 0
constexpr std::int64_t kLumaOffset = 524288;    // and 32 levels below black
constexpr int kGridSide = 40;
constexpr int kLanes = 4;

typedef double Lane4 __attribute__((vector_size(32)));
typedef long long Index4 __attribute__((vector_size(32)));

// A group of four entries' coordinates, as the scan reads them; aligned for whole-vector loads
// whatever the vector type's own alignment is where it is compiled.
struct alignas(32) Group {
    Lane4 yb, cr, luma;
};

} // namespace nearest

// One allocation: the header, the coordinates in groups of four (the last group padded with
// far-away entries), the entries' points and the list of palette indices with its terminator.
struct alignas(32) CNearestSearch::Candidates {
    int count;                // entries in the list
    int padded;               // count rounded up to a multiple of kLanes
    const SpacePoint* points; // entry k's point
    std::uint16_t* list;
    // For a cell: the list of every entry that can be nearest to a point of the cell or less
    // than a cell below it; this one holds only those that can be nearest to a point inside the
    // cell, when fewer (see BuildCellList), and is that list itself otherwise.
    Candidates* whole;

    // The groups follow the header directly: the scan finds them without another load.
    const nearest::Group* Groups() const {
        return reinterpret_cast<const nearest::Group*>(this + 1);
    }
};

namespace nearest {

// The groups hold every coordinate times kScale, so each squared distance comes out times
// kScale^2 = 256, exactly as scaled (scaling by a power of two commutes with rounding).
constexpr double kScale = 16;

// Position in `c` of its nearest entry: the smallest squared distance, formed per entry exactly
// as CColorSpace::Distance2 forms it (differences as doubles, (dyb^2 + dcr^2) + dluma^2), four
// entries at a time; of equally near entries the earliest in the list wins, which is the one
// with the lowest palette index.
inline int ScanExactly(const CNearestSearch::Candidates& c, double qyb, double qcr, double qluma) {
    const Lane4 vyb = {qyb, qyb, qyb, qyb};
    const Lane4 vcr = {qcr, qcr, qcr, qcr};
    const Lane4 vluma = {qluma, qluma, qluma, qluma};
    Lane4 best = {HUGE_VAL, HUGE_VAL, HUGE_VAL, HUGE_VAL};
    Index4 bestAt = {0, 1, 2, 3};
    Index4 at = {0, 1, 2, 3};
    const Index4 step = {kLanes, kLanes, kLanes, kLanes};
    const Group* group = c.Groups();
    for (int k = 0; k < c.padded; k += kLanes, ++group) {
        const Lane4 dyb = group->yb - vyb;
        const Lane4 dcr = group->cr - vcr;
        const Lane4 dluma = group->luma - vluma;
        const Lane4 d = dyb * dyb + dcr * dcr + dluma * dluma;
        const Index4 nearer = d < best;
        best = nearer ? d : best;
        bestAt = nearer ? at : bestAt;
        at += step;
    }
    int found = static_cast<int>(bestAt[0]);
    double nearest = best[0];
    for (int lane = 1; lane < kLanes; ++lane) {
        if (best[lane] < nearest || (best[lane] == nearest && bestAt[lane] < found)) {
            nearest = best[lane];
            found = static_cast<int>(bestAt[lane]);
        }
    }
    return found;
}

// The same result, faster for the common case. A squared distance below 2^44 is an exact
// integer (each square and sum of integers below 2^53 is), so scaled by 256 it leaves the low
// eight bits free for the entry's position, and 2^52 added on top fixes the exponent: one key
// that orders by distance, then by position, which a plain minimum finds, and whose low eight
// bits of mantissa are the position. Keys of farther entries are at least 2^53 and order after
// every such key (rounding never takes a sum below a power of two it reaches); when even the
// nearest entry is that far, the exact scan decides. Every part of such a key being an exact
// integer, the order of the additions is free: the position joins the luma term, which shortens
// the chain of additions the next pixel waits for.
__attribute__((always_inline)) inline int ScanCandidates(const CNearestSearch::Candidates& c,
                                                         int groups, int yb, int cr, int luma) {
    // Scaled as integers: exact, and sooner than a multiplication after the conversion.
    const double qyb = static_cast<double>(std::int64_t(yb) * 16);
    const double qcr = static_cast<double>(std::int64_t(cr) * 16);
    const double qluma = static_cast<double>(std::int64_t(luma) * 16);
    static_assert(kScale == 16);
    const Lane4 vyb = {qyb, qyb, qyb, qyb};
    const Lane4 vcr = {qcr, qcr, qcr, qcr};
    const Lane4 vluma = {qluma, qluma, qluma, qluma};
    constexpr double kBias = 4503599627370496.0; // 2^52
    Lane4 best = {HUGE_VAL, HUGE_VAL, HUGE_VAL, HUGE_VAL};
    Lane4 at = {kBias, kBias + 1, kBias + 2, kBias + 3};
    const Lane4 step = {kLanes, kLanes, kLanes, kLanes};
    const Group* group = c.Groups();
    for (int k = 0; k < groups; ++k, ++group) {
        const Lane4 dyb = group->yb - vyb;
        const Lane4 dcr = group->cr - vcr;
        const Lane4 dluma = group->luma - vluma;
        const Lane4 key = (dyb * dyb + dcr * dcr) + (dluma * dluma + at);
        best = key < best ? key : best;
        at += step;
    }
    const Index4 halves = {2, 3, 0, 1};
    const Index4 pairs = {1, 0, 3, 2};
    const Lane4 other = __builtin_shuffle(best, halves);
    best = other < best ? other : best;
    const Lane4 neighbour = __builtin_shuffle(best, pairs);
    best = neighbour < best ? neighbour : best;
    constexpr double kExactBelow = 9007199254740992.0; // 2^53
    if (__builtin_expect(best[0] < kExactBelow, 1))
        return static_cast<int>(std::bit_cast<std::uint64_t>(best[0]) & 255);
    return ScanExactly(c, qyb, qcr, qluma);
}
} // namespace nearest

namespace nearest {

// The cell of a point, or -1 for a point outside the grid or less than a cell below it (which
// truncation would still put into a cell).
inline int InsideCell(int yb, int cr, int luma) {
    static_assert(kCellSize == 1 << 17);
    // As unsigned numbers, a point below the grid wraps to above it.
    const std::uint32_t uyb = std::uint32_t(yb) + std::uint32_t(kChromaOffset);
    const std::uint32_t ucr = std::uint32_t(cr) + std::uint32_t(kChromaOffset);
    const std::uint32_t uluma = std::uint32_t(luma) + std::uint32_t(kLumaOffset);
    constexpr std::uint32_t kSpan = kGridSide * kCellSize;
    if (uyb < kSpan && ucr < kSpan && uluma < kSpan)
        return static_cast<int>((uyb >> 17) +
                                kGridSide * ((ucr >> 17) + kGridSide * (uluma >> 17)));
    return -1;
}

} // namespace nearest

// The common case of FindNearest for a point inside the grid whose cell list exists; everything
// else goes to FindNearest itself.
__attribute__((always_inline)) inline CNearestSearch::Match
CNearestSearch::FindNearestInline(int yb, int cr, int luma) {
    const int cell = nearest::InsideCell(yb, cr, luma);
    if (cell >= 0) {
        const std::uintptr_t entry = m_cellLists[cell].load(std::memory_order_acquire);
        if (entry != 0) {
            // The group count beside the address spares the scan a wait for the header.
            const auto* c = reinterpret_cast<const Candidates*>(entry & ~kGroupsMask);
            int groups = static_cast<int>(entry & kGroupsMask);
            if (groups == 0)
                groups = c->padded / nearest::kLanes;
            const int k = nearest::ScanCandidates(*c, groups, yb, cr, luma);
            const auto* points = reinterpret_cast<const SpacePoint*>(c->Groups() + groups);
            const auto* list =
                reinterpret_cast<const std::uint16_t*>(points + nearest::kLanes * groups);
            return {list[k], &points[k]};
        }
    }
    const int i = FindNearest(yb, cr, luma);
    return {i, &m_palettePoints[i]};
}
