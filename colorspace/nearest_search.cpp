#include "colorspace/nearest_search.h"

#include <cmath>
#include <new>

namespace {

constexpr std::int64_t kCellSize = 131072;      // 8 levels of 16384 units
constexpr std::int64_t kChromaOffset = 2621440; // the grid starts 160 levels below 0
constexpr std::int64_t kLumaOffset = 524288;    // and 32 levels below black
constexpr int kGridSide = 40;

// The length of a cell's full space diagonal, 131072 * sqrt(3): an entry farther than the
// nearest one plus this from the cell centre is never nearest to a point of the cell.
const double kDiagonal = std::sqrt(51539607552.0);

// Distances as the colour space measures them: 32-bit differences, squared and summed as
// doubles in this order.
inline double Distance2(const SpacePoint& p, int yb, int cr, int luma) {
    return CColorSpace::Distance2To(p, yb, cr, luma);
}

} // namespace

void CNearestSearch::SetPalette(const SpacePoint* points, int count) {
    FreeCellLists();
    if (count < 1)
        count = 1; // a search always has an entry to return
    if (count > kMaxEntries)
        count = kMaxEntries;
    for (int i = 0; i < count; ++i)
        m_palettePoints[i] = points[i];
    m_searchCount = count;
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
    if (cell < 0)
        return SearchAll(yb, cr, luma);
    const std::uint16_t* list = m_cellLists[cell].load(std::memory_order_acquire);
    if (list == nullptr) {
        if (!BuildCellList(yb, cr, luma))
            return SearchAll(yb, cr, luma);
        list = m_cellLists[cell].load(std::memory_order_acquire);
    }
    return SearchList(list, yb, cr, luma);
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
        distance[i] = std::sqrt(Distance2(m_palettePoints[i], cyb, ccr, cluma));
        if (i == 0 || distance[i] < nearest)
            nearest = distance[i];
    }
    const double threshold = nearest + kDiagonal;
    int n = 0;
    for (int i = 0; i < m_searchCount; ++i)
        n += distance[i] < threshold ? 1 : 0;

    std::uint16_t* list = new (std::nothrow) std::uint16_t[n + 1];
    if (list == nullptr)
        return false;
    int k = 0;
    for (int i = 0; i < m_searchCount; ++i)
        if (distance[i] < threshold)
            list[k++] = static_cast<std::uint16_t>(i);
    list[k] = 0xFFFF;

    std::uint16_t* expected = nullptr;
    if (!m_cellLists[cell].compare_exchange_strong(expected, list, std::memory_order_acq_rel))
        delete[] list; // another thread published the same list first
    return true;
}

int CNearestSearch::SearchList(const std::uint16_t* list, int yb, int cr, int luma) const {
    int best = list[0];
    double bestDistance = Distance2(m_palettePoints[best], yb, cr, luma);
    for (const std::uint16_t* p = list + 1; static_cast<std::int16_t>(*p) >= 0; ++p) {
        const double d = Distance2(m_palettePoints[*p], yb, cr, luma);
        if (d < bestDistance) {
            bestDistance = d;
            best = *p;
        }
    }
    return best;
}

int CNearestSearch::SearchAll(int yb, int cr, int luma) const {
    int best = 0;
    double bestDistance = Distance2(m_palettePoints[0], yb, cr, luma);
    for (int i = 1; i < m_searchCount; ++i) {
        const double d = Distance2(m_palettePoints[i], yb, cr, luma);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

void CNearestSearch::FreeCellLists() {
    for (auto& cell : m_cellLists)
        delete[] cell.exchange(nullptr, std::memory_order_acq_rel);
}
