// Serpentine error diffusion: "error diffusion" spreads the error of each pixel with the
// 7-3-5-1 kernel, "average error" gathers it from the twelve nearest processed pixels with the
// 1-3-5-7 kernel. Errors are stored multiplied by the dither level, so the divisors are the
// kernel sums times 10.
#include "mapping/mapping_methods.h"
#include "mapping/nearest_scan.h"
#include "mapping/space_rows.h"

#include <memory>
#include <new>
#include <vector>

namespace {

struct Triple {
    std::int32_t v[3]; // yb, cr, luma
};

// What the row loop reads besides its rows.
struct RowContext {
    CNearestSearch* nearest;
    int limits[3];
    int level;
    std::uint8_t transIndex;
};

// Maps one row: `e0`, `e1` and `e2` are pixel 0's error slots in this row and the two above,
// `d` the direction (1 left to right, -1 right to left). Each pixel's colour depends on the
// error of the one before, so the loop keeps the last two errors of this row in registers and
// forms the part of each sum that comes from the rows above apart from them. The sums are
// formed in 64 bits: with the largest weights and a palette spanning the whole space they
// exceed the 32-bit range.
template <bool kAverage>
__attribute__((always_inline)) inline void
DiffuseRow(const RowContext& context, const mapping::SpaceTarget* targets, Triple* e0,
           const Triple* e1, const Triple* e2, int d, int width, std::uint8_t* indices) {
    constexpr std::int64_t kDivisor = kAverage ? 480 : 160;
    CNearestSearch& search = *context.nearest;
    const int level = context.level;
    std::int64_t last[3] = {0, 0, 0};   // the error of the pixel before
    std::int64_t before[3] = {0, 0, 0}; // and of the one before that (average error only)
    // The part of pixel x's sums that comes from the rows above.
    auto above = [&](int x, int a) {
        if constexpr (kAverage) {
            const Triple* r1 = e1 + x;
            const Triple* r2 = e2 + x;
            return 3 * std::int64_t(r1[-2 * d].v[a]) + 5 * std::int64_t(r1[-d].v[a]) +
                   7 * std::int64_t(r1[0].v[a]) + 5 * std::int64_t(r1[d].v[a]) +
                   3 * std::int64_t(r1[2 * d].v[a]) + 1 * std::int64_t(r2[-2 * d].v[a]) +
                   3 * std::int64_t(r2[-d].v[a]) + 5 * std::int64_t(r2[0].v[a]) +
                   3 * std::int64_t(r2[d].v[a]) + 1 * std::int64_t(r2[2 * d].v[a]);
        } else {
            const Triple* r1 = e1 + x;
            return 3 * std::int64_t(r1[-d].v[a]) + 5 * std::int64_t(r1[0].v[a]) +
                   1 * std::int64_t(r1[d].v[a]);
        }
    };
    for (int n = 0; n < width; ++n) {
        const int x = d > 0 ? n : width - 1 - n;
        const mapping::SpaceTarget& target = targets[x];
        if (!target.opaque) {
            indices[x] = context.transIndex;
            for (int a = 0; a < 3; ++a) {
                before[a] = last[a];
                last[a] = 0; // its slot keeps 0: nothing is passed on
            }
            continue;
        }
        std::int32_t v[3];
        for (int a = 0; a < 3; ++a) {
            std::int64_t sum = above(x, a);
            if constexpr (kAverage)
                sum += 5 * before[a] + 7 * last[a];
            else
                sum += 7 * last[a];
            v[a] = target.v[a] + mapping::Clamp(sum / kDivisor, context.limits[a]);
        }
        const CNearestSearch::Match match = search.FindNearestInline(v[0], v[1], v[2]);
        indices[x] = static_cast<std::uint8_t>(match.index);
        const std::int32_t error[3] = {(v[0] - match.point->yb) * level,
                                       (v[1] - match.point->cr) * level,
                                       (v[2] - match.point->luma) * level};
        for (int a = 0; a < 3; ++a) {
            e0[x].v[a] = error[a];
            before[a] = last[a];
            last[a] = error[a];
        }
    }
}

__attribute__((target_clones("avx2", "default"))) void
DiffuseRowClones(const RowContext& context, const mapping::SpaceTarget* targets, Triple* e0,
                 const Triple* e1, const Triple* e2, int d, int width, std::uint8_t* indices,
                 bool averageError) {
    if (averageError)
        DiffuseRow<true>(context, targets, e0, e1, e2, d, width, indices);
    else
        DiffuseRow<false>(context, targets, e0, e1, e2, d, width, indices);
}

} // namespace

StageResult ErrorDiffusion(const MapJob& job, bool averageError) {
    const int width = job.width;
    // Three rows of width + 4 triples: pixel x sits in slot x + 2, two slots of margin on each
    // side that are never written and read as 0.
    const std::size_t slots = static_cast<std::size_t>(width) + 4;
    std::vector<Triple> storage;
    try {
        storage.assign(3 * slots, Triple{{0, 0, 0}});
    } catch (const std::bad_alloc&) {
        return StageResult::OutOfMemory;
    }
    Triple* rows[3] = {storage.data(), storage.data() + slots, storage.data() + 2 * slots};
    std::unique_ptr<mapping::CSpaceRows> targets;
    try {
        targets = std::make_unique<mapping::CSpaceRows>(job);
    } catch (const std::bad_alloc&) {
        return StageResult::OutOfMemory;
    }
    const RowContext context = {job.nearest,
                                {job.limits[0], job.limits[1], job.limits[2]},
                                job.ditherLevel,
                                static_cast<std::uint8_t>(job.transIndex)};

    for (int y = 0; y < job.height; ++y) {
        const int d = (y % 2 == 0) ? 1 : -1;
        DiffuseRowClones(context, targets->Row(y), rows[0] + 2, rows[1] + 2, rows[2] + 2, d, width,
                         job.IndexRow(y), averageError);
        // The row two above is cleared and becomes the next row's own; this row becomes the one
        // above, the one above becomes two above.
        Triple* recycled = rows[2];
        std::fill(recycled, recycled + slots, Triple{{0, 0, 0}});
        rows[2] = rows[1];
        rows[1] = rows[0];
        rows[0] = recycled;
        targets->Release(y);
        if (!mapping::RowDone(job, y))
            return StageResult::Cancelled;
    }
    return StageResult::Ok;
}
