// Serpentine error diffusion: "error diffusion" spreads the error of each pixel with the
// 7-3-5-1 kernel, "average error" gathers it from the twelve nearest processed pixels with the
// 1-3-5-7 kernel. Errors are stored multiplied by the dither level, so the divisors are the
// kernel sums times 10.
#include "mapping/mapping_methods.h"
#include "mapping/space_rows.h"

#include <memory>
#include <new>
#include <vector>

namespace {

struct Triple {
    std::int32_t v[3]; // yb, cr, luma
};

// Weighted error sum of one axis. The sums are formed in 64 bits: with the largest weights and
// a palette spanning the whole space they exceed the 32-bit range.
inline std::int64_t DiffusionSum(const Triple* e0, const Triple* e1, int d, int a) {
    return 7 * std::int64_t(e0[-d].v[a]) + 3 * std::int64_t(e1[-d].v[a]) +
           5 * std::int64_t(e1[0].v[a]) + 1 * std::int64_t(e1[d].v[a]);
}

inline std::int64_t AverageSum(const Triple* e0, const Triple* e1, const Triple* e2, int d, int a) {
    return 5 * std::int64_t(e0[-2 * d].v[a]) + 7 * std::int64_t(e0[-d].v[a]) +
           3 * std::int64_t(e1[-2 * d].v[a]) + 5 * std::int64_t(e1[-d].v[a]) +
           7 * std::int64_t(e1[0].v[a]) + 5 * std::int64_t(e1[d].v[a]) +
           3 * std::int64_t(e1[2 * d].v[a]) + 1 * std::int64_t(e2[-2 * d].v[a]) +
           3 * std::int64_t(e2[-d].v[a]) + 5 * std::int64_t(e2[0].v[a]) +
           3 * std::int64_t(e2[d].v[a]) + 1 * std::int64_t(e2[2 * d].v[a]);
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
    const std::int64_t divisor = averageError ? 480 : 160;
    const int level = job.ditherLevel;

    for (int y = 0; y < job.height; ++y) {
        Triple* e0 = rows[0] + 2;       // this row
        const Triple* e1 = rows[1] + 2; // the row above
        const Triple* e2 = rows[2] + 2; // two rows above
        const int d = (y % 2 == 0) ? 1 : -1;
        const std::size_t rowStart = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        const mapping::SpaceTarget* row = targets->Row(y);
        for (int n = 0; n < width; ++n) {
            const int x = d > 0 ? n : width - 1 - n;
            const mapping::SpaceTarget& target = row[x];
            if (!target.opaque) {
                job.indices[rowStart + x] = static_cast<std::uint8_t>(job.transIndex);
                continue; // its slot keeps 0: nothing is passed on
            }
            std::int32_t v[3];
            for (int a = 0; a < 3; ++a) {
                const std::int64_t sum = averageError ? AverageSum(e0 + x, e1 + x, e2 + x, d, a)
                                                      : DiffusionSum(e0 + x, e1 + x, d, a);
                v[a] = target.v[a] + mapping::Clamp(sum / divisor, job.limits[a]);
            }
            const int i = job.nearest->FindNearest(v[0], v[1], v[2]);
            job.indices[rowStart + x] = static_cast<std::uint8_t>(i);
            const SpacePoint& p = job.nearest->Point(i);
            e0[x].v[0] = (v[0] - p.yb) * level;
            e0[x].v[1] = (v[1] - p.cr) * level;
            e0[x].v[2] = (v[2] - p.luma) * level;
        }
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
