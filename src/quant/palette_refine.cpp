#include "quant/palette_refine.h"

#include "mapping/nearest_search.h"
#include "runcontrol/row_bands.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>

namespace {

// The colours one entry was given in a pass: their total weight and weighted coordinate sums.
// Whole numbers, so the totals do not depend on how the colours were shared among threads: a
// weight fits 32 bits and a coordinate 23, so every sum fits 64 bits.
struct Cluster {
    std::int64_t weight = 0;
    std::int64_t sum[3] = {};
};

using Clusters = std::array<Cluster, CNearestSearch::kMaxEntries>;

// Colours per block handed to a thread; the cancel request is checked between blocks.
constexpr std::size_t kBlock = 8192;

// Gives every colour to its nearest entry and adds it to that entry's cluster.
StageResult Assign(const std::vector<ColorEntry>& entries, CNearestSearch& nearest, int threads,
                   QuantSignal& signal, Clusters& clusters) {
    clusters.fill(Cluster{});
    std::atomic<std::size_t> next{0};
    std::atomic<bool> cancelled{false};
    std::mutex merge;
    auto work = [&] {
        Clusters own{};
        for (;;) {
            if (cancelled.load(std::memory_order_relaxed))
                break;
            if (signal.Cancelled()) {
                cancelled.store(true, std::memory_order_relaxed);
                break;
            }
            const std::size_t begin = next.fetch_add(kBlock);
            if (begin >= entries.size())
                break;
            const std::size_t end = std::min(entries.size(), begin + kBlock);
            for (std::size_t k = begin; k < end; ++k) {
                const ColorEntry& e = entries[k];
                Cluster& c = own[static_cast<std::size_t>(
                    nearest.FindNearest(e.point.yb, e.point.cr, e.point.luma))];
                const std::int64_t w = e.weight;
                c.weight += w;
                c.sum[0] += w * e.point.yb;
                c.sum[1] += w * e.point.cr;
                c.sum[2] += w * e.point.luma;
            }
        }
        std::lock_guard guard(merge);
        for (std::size_t i = 0; i < own.size(); ++i) {
            clusters[i].weight += own[i].weight;
            for (int a = 0; a < 3; ++a)
                clusters[i].sum[a] += own[i].sum[a];
        }
    };
    engine::OnThreads(std::max(threads, 1), work);
    return cancelled.load() ? StageResult::Cancelled : StageResult::Ok;
}

// Whether the cluster's weighted squared distance to `to` is smaller than to `from`, exactly:
// sum w |c - p|^2 = sum w |c|^2 - 2 p . S + W |p|^2, so the change is
// (to - from) . (W (to + from) - 2 S), formed per axis in 128 bits.
bool Nearer(const Cluster& c, const SpacePoint& to, const SpacePoint& from) {
    const std::int64_t t[3] = {to.yb, to.cr, to.luma};
    const std::int64_t f[3] = {from.yb, from.cr, from.luma};
    __int128 change = 0;
    for (int a = 0; a < 3; ++a)
        change += static_cast<__int128>(t[a] - f[a]) * (c.weight * (t[a] + f[a]) - 2 * c.sum[a]);
    return change < 0;
}

// The grid colour of a cluster's weighted mean, formed as the box division forms its colours.
std::uint32_t MeanColor(const Cluster& c, const CColorSpace& space) {
    int coord[3];
    for (int a = 0; a < 3; ++a)
        coord[a] = static_cast<int>(
            std::floor(static_cast<double>(c.sum[a]) / static_cast<double>(c.weight) + 0.5));
    return space.SnapToGrid(space.SpaceToRgb(coord[0], coord[1], coord[2]));
}

} // namespace

StageResult RefinePalette(const std::vector<ColorEntry>& entries, int passes,
                          const CColorSpace& space, int threads, QuantSignal& signal,
                          FinishedPalette& palette) {
    const int count = std::clamp(palette.searchCount, 0, CNearestSearch::kMaxEntries);
    passes = std::clamp(passes, 0, kMaxRefinePasses);
    if (passes == 0 || count == 0 || entries.empty())
        return StageResult::Ok;
    std::unique_ptr<CNearestSearch> nearest(new (std::nothrow) CNearestSearch);
    std::unique_ptr<Clusters> clusters(new (std::nothrow) Clusters);
    if (!nearest || !clusters)
        return StageResult::OutOfMemory;

    for (int pass = 0; pass < passes; ++pass) {
        if (!nearest->SetPalette(palette.points, count))
            return StageResult::OutOfMemory;
        const StageResult assigned = Assign(entries, *nearest, threads, signal, *clusters);
        if (assigned != StageResult::Ok)
            return assigned;

        // In index order, so that of two entries heading for the same colour the lower one gets
        // it and the other stays: two equal entries would waste one.
        bool moved = false;
        for (int i = 0; i < count; ++i) {
            const Cluster& c = (*clusters)[static_cast<std::size_t>(i)];
            PaletteSlot& slot = palette.slots[static_cast<std::size_t>(i)];
            if (slot.fixed || c.weight == 0)
                continue;
            const std::uint32_t color = MeanColor(c, space);
            if (color == slot.color)
                continue;
            if (std::any_of(palette.slots.begin(), palette.slots.begin() + count,
                            [color](const PaletteSlot& s) { return s.color == color; }))
                continue;
            // Rounding the mean back to a colour (in the steep shadows of the tone curve) or to
            // a coarse output grid can land farther from the colours than the entry already is.
            // Such a move would make the palette worse, and could swap back the next pass.
            SpacePoint to;
            space.RgbToSpace(to, color);
            if (!Nearer(c, to, palette.points[i]))
                continue;
            slot.color = color;
            slot.key = to.luma;
            moved = true;
        }
        if (!moved)
            break;
        OrderPalette(palette, count, space);
        if (signal.Cancelled())
            return StageResult::Cancelled;
    }
    return StageResult::Ok;
}
