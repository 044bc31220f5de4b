#include "mapping/nearest_search.h"

#include "mapping/nearest_scan.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

using nearest::kCellSize;
using nearest::kChromaOffset;
using nearest::kGridSide;
using nearest::kLanes;
using nearest::kLumaOffset;

// The length of a cell's full space diagonal, 131072 * sqrt(3): an entry farther than the
// nearest one plus this from the cell centre is never nearest to a point of the cell.
const double kDiagonal = std::sqrt(51539607552.0);

// Padding entries lie so far away that no point is ever nearer to them.
constexpr double kFarAway = 1e30;

__attribute__((target_clones("avx2", "default"))) int ScanList(const CNearestSearch::Candidates& c,
                                                               int yb, int cr, int luma) {
    return c.list[nearest::ScanCandidates(c, c.padded / kLanes, yb, cr, luma)];
}

} // namespace

CNearestSearch::~CNearestSearch() {
    FreeCellLists();
    FreeCandidates(m_allEntries);
}

CNearestSearch::Candidates* CNearestSearch::NewCandidates(const double* distance,
                                                          double threshold) const {
    int n = 0;
    for (int i = 0; i < m_searchCount; ++i)
        n += distance[i] < threshold ? 1 : 0;
    const int padded = (n + kLanes - 1) / kLanes * kLanes;
    static_assert(sizeof(Candidates) % alignof(nearest::Group) == 0);
    const std::size_t size = sizeof(Candidates) + sizeof(nearest::Group) * (padded / kLanes) +
                             sizeof(SpacePoint) * static_cast<std::size_t>(padded) +
                             sizeof(std::uint16_t) * (static_cast<std::size_t>(n) + 1);
    auto* block = static_cast<unsigned char*>(std::aligned_alloc(
        alignof(nearest::Group),
        (size + alignof(nearest::Group) - 1) / alignof(nearest::Group) * alignof(nearest::Group)));
    if (block == nullptr)
        return nullptr;
    auto* c = reinterpret_cast<Candidates*>(block);
    auto* groups = reinterpret_cast<nearest::Group*>(c + 1);
    auto* points = reinterpret_cast<SpacePoint*>(groups + padded / kLanes);
    c->count = n;
    c->padded = padded;
    c->points = points;
    c->list = reinterpret_cast<std::uint16_t*>(points + padded);
    c->whole = c;
    int k = 0;
    for (int i = 0; i < m_searchCount; ++i) {
        if (!(distance[i] < threshold))
            continue;
        c->list[k] = static_cast<std::uint16_t>(i);
        points[k] = m_palettePoints[i];
        groups[k / kLanes].yb[k % kLanes] = nearest::kScale * m_palettePoints[i].yb;
        groups[k / kLanes].cr[k % kLanes] = nearest::kScale * m_palettePoints[i].cr;
        groups[k / kLanes].luma[k % kLanes] = nearest::kScale * m_palettePoints[i].luma;
        ++k;
    }
    c->list[n] = 0xFFFF;
    for (; k < padded; ++k) {
        points[k] = SpacePoint{};
        groups[k / kLanes].yb[k % kLanes] = kFarAway;
        groups[k / kLanes].cr[k % kLanes] = kFarAway;
        groups[k / kLanes].luma[k % kLanes] = kFarAway;
    }
    return c;
}

CNearestSearch::Candidates* CNearestSearch::Unpack(std::uintptr_t entry) {
    return reinterpret_cast<Candidates*>(entry & ~kGroupsMask);
}

void CNearestSearch::FreeCandidates(Candidates* c) {
    if (c == nullptr)
        return;
    if (c->whole != c)
        std::free(c->whole);
    std::free(c);
}

bool CNearestSearch::SetPalette(const SpacePoint* points, int count) {
    FreeCellLists();
    FreeCandidates(m_allEntries);
    m_allEntries = nullptr;
    if (count < 1)
        count = 1; // a search always has an entry to return
    if (count > kMaxEntries)
        count = kMaxEntries;
    for (int i = 0; i < count; ++i)
        m_palettePoints[i] = points[i];
    m_searchCount = count;
    double everyEntry[kMaxEntries];
    for (int i = 0; i < count; ++i)
        everyEntry[i] = 0;
    m_allEntries = NewCandidates(everyEntry, 1);
    return m_allEntries != nullptr;
}

int CNearestSearch::CellOf(int yb, int cr, int luma) {
    // Computed in 64 bits: a carried error can push a coordinate anywhere in the 32-bit range.
    const std::int64_t iyb = (yb + kChromaOffset) / kCellSize;
    const std::int64_t icr = (cr + kChromaOffset) / kCellSize;
    const std::int64_t iluma = (luma + kLumaOffset) / kCellSize;
    if (iyb < 0 || iyb >= kGridSide || icr < 0 || icr >= kGridSide || iluma < 0 ||
        iluma >= kGridSide)
        return -1;
    return static_cast<int>(iyb + kGridSide * (icr + kGridSide * iluma));
}

int CNearestSearch::FindNearest(int yb, int cr, int luma) {
    const int cell = CellOf(yb, cr, luma);
    if (cell >= 0) {
        const Candidates* c = Unpack(m_cellLists[cell].load(std::memory_order_acquire));
        if (c == nullptr && BuildCellList(yb, cr, luma))
            c = Unpack(m_cellLists[cell].load(std::memory_order_acquire));
        if (c != nullptr) {
            // A point that only truncation puts into the cell (less than a cell below the grid)
            // is searched in the whole list.
            const bool inside =
                yb + kChromaOffset >= 0 && cr + kChromaOffset >= 0 && luma + kLumaOffset >= 0;
            return ScanList(inside ? *c : *c->whole, yb, cr, luma);
        }
    }
    return SearchAll(yb, cr, luma);
}

bool CNearestSearch::BuildCellList(int yb, int cr, int luma) {
    const int cell = CellOf(yb, cr, luma);
    if (cell < 0)
        return false;
    const int iyb = cell % kGridSide;
    const int icr = (cell / kGridSide) % kGridSide;
    const int iluma = cell / (kGridSide * kGridSide);
    const int cyb = static_cast<int>(iyb * kCellSize - 2555904);
    const int ccr = static_cast<int>(icr * kCellSize - 2555904);
    const int cluma = static_cast<int>(iluma * kCellSize - 458752);

    double distance[kMaxEntries];
    double nearest = 0;
    for (int i = 0; i < m_searchCount; ++i) {
        distance[i] = std::sqrt(CColorSpace::Distance2To(m_palettePoints[i], cyb, ccr, cluma));
        if (i == 0 || distance[i] < nearest)
            nearest = distance[i];
    }
    const double threshold = nearest + kDiagonal;
    Candidates* c = NewCandidates(distance, threshold);
    if (c == nullptr)
        return false;
    const double low[3] = {double(iyb * kCellSize - kChromaOffset),
                           double(icr * kCellSize - kChromaOffset),
                           double(iluma * kCellSize - kLumaOffset)};
    if (Candidates* inside = InsideCandidates(distance, threshold, low)) {
        inside->whole = c;
        c = inside;
    }
    const int groups = c->padded / kLanes;
    const std::uintptr_t entry =
        reinterpret_cast<std::uintptr_t>(c) | (groups <= int(kGroupsMask) ? groups : 0);
    std::uintptr_t expected = 0;
    if (!m_cellLists[cell].compare_exchange_strong(expected, entry, std::memory_order_acq_rel))
        FreeCandidates(c); // another thread published the same list first
    return true;
}

// The entries of a cell's list (those with `distance` below `threshold`) that can be nearest to
// a point of the cell, whose box starts at `low`. Entry j is left out when one of the entries
// nearest to the centre, m, is strictly nearer than j to every point of the box: the difference
// of the squared distances, |q - pj|^2 - |q - pm|^2 = |pj|^2 - |pm|^2 - 2 q.(pj - pm), is linear
// in q, so its least value over the box is at a corner, and with integer coordinates every term
// is exact in double precision. Such an entry is never nearest nor equally near, so the result
// of a search stays the list's. Null when nothing is left out or without memory.
CNearestSearch::Candidates* CNearestSearch::InsideCandidates(const double* distance,
                                                             double threshold,
                                                             const double* low) const {
    constexpr int kReferences = 4;
    int references[kReferences];
    int referenceCount = 0;
    for (int i = 0; i < m_searchCount; ++i) {
        if (!(distance[i] < threshold))
            continue;
        // Keeps the nearest ones to the centre, in ascending distance.
        int at = referenceCount < kReferences ? referenceCount++ : kReferences;
        while (at > 0 && distance[i] < distance[references[at - 1]]) {
            if (at < kReferences)
                references[at] = references[at - 1];
            --at;
        }
        if (at < kReferences)
            references[at] = i;
    }
    const double high[3] = {low[0] + kCellSize, low[1] + kCellSize, low[2] + kCellSize};
    auto coordinates = [this](int i, double(&c)[3]) {
        c[0] = m_palettePoints[i].yb;
        c[1] = m_palettePoints[i].cr;
        c[2] = m_palettePoints[i].luma;
    };
    double keep[kMaxEntries];
    bool dropped = false;
    for (int j = 0; j < m_searchCount; ++j) {
        keep[j] = 1; // not below the threshold 1 of the list made below
        if (!(distance[j] < threshold))
            continue;
        double pj[3];
        coordinates(j, pj);
        const double normJ = pj[0] * pj[0] + pj[1] * pj[1] + pj[2] * pj[2];
        bool farther = false;
        for (int r = 0; r < referenceCount && !farther; ++r) {
            const int m = references[r];
            if (m == j)
                continue;
            double pm[3];
            coordinates(m, pm);
            double least = normJ - (pm[0] * pm[0] + pm[1] * pm[1] + pm[2] * pm[2]);
            for (int a = 0; a < 3; ++a) {
                const double w = pj[a] - pm[a];
                least -= 2 * (w > 0 ? high[a] * w : low[a] * w);
            }
            farther = least > 0;
        }
        if (farther)
            dropped = true;
        else
            keep[j] = 0;
    }
    return dropped ? NewCandidates(keep, 1) : nullptr;
}

int CNearestSearch::SearchList(const std::uint16_t* list, int yb, int cr, int luma) const {
    int best = list[0];
    double bestDistance = CColorSpace::Distance2To(m_palettePoints[best], yb, cr, luma);
    for (const std::uint16_t* p = list + 1; static_cast<std::int16_t>(*p) >= 0; ++p) {
        const double d = CColorSpace::Distance2To(m_palettePoints[*p], yb, cr, luma);
        if (d < bestDistance) {
            bestDistance = d;
            best = *p;
        }
    }
    return best;
}

int CNearestSearch::SearchAll(int yb, int cr, int luma) const {
    if (m_allEntries != nullptr)
        return ScanList(*m_allEntries, yb, cr, luma);
    int best = 0;
    double bestDistance = CColorSpace::Distance2To(m_palettePoints[0], yb, cr, luma);
    for (int i = 1; i < m_searchCount; ++i) {
        const double d = CColorSpace::Distance2To(m_palettePoints[i], yb, cr, luma);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

const std::uint16_t* CNearestSearch::CellList(int cell) const {
    const Candidates* c = Unpack(m_cellLists[cell].load(std::memory_order_acquire));
    return c != nullptr ? c->whole->list : nullptr;
}

void CNearestSearch::FreeCellLists() {
    for (auto& cell : m_cellLists) {
        FreeCandidates(Unpack(cell.exchange(0, std::memory_order_acq_rel)));
    }
}
