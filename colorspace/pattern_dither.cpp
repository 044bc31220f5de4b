// "cartoon": ordered pattern dithering. Each pixel tries sixteen colours, each time adding the
// scaled error of the previous try; the tries are ordered by luminance and the 4 x 4 threshold
// matrix picks one, so flat areas turn into regular patterns. The error is not clamped.
#include "colorspace/mapping_methods.h"

namespace {

constexpr int kThreshold[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

} // namespace

StageResult PatternDither(const MapJob& job) {
    const int level = job.ditherLevel;
    for (int y = 0; y < job.height; ++y) {
        const std::size_t rowStart =
            static_cast<std::size_t>(y) * static_cast<std::size_t>(job.width);
        for (int x = 0; x < job.width; ++x) {
            const std::uint32_t pixel = job.pixels[rowStart + x];
            if (pixel == job.transColor) {
                job.indices[rowStart + x] = static_cast<std::uint8_t>(job.transIndex);
                continue;
            }
            SpacePoint t;
            job.space->RgbToSpace(t, pixel);
            std::int32_t e[3] = {0, 0, 0};
            // Candidates as (luma, index), sorted by luma and then by index.
            std::int64_t tries[16];
            for (int k = 0; k < 16; ++k) {
                const std::int32_t v[3] = {t.yb + e[0], t.cr + e[1], t.luma + e[2]};
                const int i = job.nearest->FindNearest(v[0], v[1], v[2]);
                const SpacePoint& p = job.nearest->Point(i);
                tries[k] = (static_cast<std::int64_t>(p.luma) << 16) | i;
                e[0] =
                    static_cast<std::int32_t>(static_cast<std::int64_t>(v[0] - p.yb) * level / 10);
                e[1] =
                    static_cast<std::int32_t>(static_cast<std::int64_t>(v[1] - p.cr) * level / 10);
                e[2] = static_cast<std::int32_t>(static_cast<std::int64_t>(v[2] - p.luma) * level /
                                                 10);
            }
            std::sort(tries, tries + 16);
            job.indices[rowStart + x] =
                static_cast<std::uint8_t>(tries[kThreshold[y % 4][x % 4]] & 0xFFFF);
        }
        if (!mapping::RowDone(job, y))
            return StageResult::Cancelled;
    }
    return StageResult::Ok;
}
