// "cartoon": ordered pattern dithering. Each pixel tries sixteen colours, each time adding the
// scaled error of the previous try; the tries are ordered by luminance and the 4 x 4 threshold
// matrix picks one, so flat areas turn into regular patterns. The error is not clamped.
#include "colorspace/mapping_methods.h"
#include "colorspace/row_parallel.h"

#include <array>

namespace {

constexpr int kThreshold[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

using Tries = std::array<std::uint8_t, 16>; // palette indices, darkest first

class CPatternRows {
public:
    explicit CPatternRows(const MapJob& job) : m_job(job), m_memo(20) {}

    void Row(int y) {
        const std::size_t start =
            static_cast<std::size_t>(y) * static_cast<std::size_t>(m_job.width);
        for (int x = 0; x < m_job.width; ++x) {
            const std::uint32_t pixel = m_job.pixels[start + x];
            if (pixel == m_job.transColor) {
                m_job.indices[start + x] = static_cast<std::uint8_t>(m_job.transIndex);
                continue;
            }
            // The sorted tries depend on the colour alone; only the pick depends on (x, y).
            const std::uint32_t color = pixel & 0xFFFFFF;
            const Tries* tries = m_memo.Find(color);
            if (tries == nullptr) {
                m_memo.Store(color, Try(color));
                tries = m_memo.Find(color);
                if (tries == nullptr) { // no memory for the memo
                    m_scratch = Try(color);
                    tries = &m_scratch;
                }
            }
            m_job.indices[start + x] = (*tries)[kThreshold[y % 4][x % 4]];
        }
    }

private:
    Tries Try(std::uint32_t color) const {
        SpacePoint t;
        m_job.space->RgbToSpace(t, color);
        const int level = m_job.ditherLevel;
        std::int32_t e[3] = {0, 0, 0};
        // Each try as (luma << 16 | index): sorting these sorts by luma, then by index.
        std::int64_t keys[16];
        for (int k = 0; k < 16; ++k) {
            const std::int32_t v[3] = {t.yb + e[0], t.cr + e[1], t.luma + e[2]};
            const int i = m_job.nearest->FindNearest(v[0], v[1], v[2]);
            const SpacePoint& p = m_job.nearest->Point(i);
            keys[k] = (static_cast<std::int64_t>(p.luma) << 16) | i;
            e[0] = static_cast<std::int32_t>(static_cast<std::int64_t>(v[0] - p.yb) * level / 10);
            e[1] = static_cast<std::int32_t>(static_cast<std::int64_t>(v[1] - p.cr) * level / 10);
            e[2] = static_cast<std::int32_t>(static_cast<std::int64_t>(v[2] - p.luma) * level / 10);
        }
        std::sort(keys, keys + 16);
        Tries tries;
        for (int k = 0; k < 16; ++k)
            tries[k] = static_cast<std::uint8_t>(keys[k] & 0xFFFF);
        return tries;
    }

    const MapJob& m_job;
    mapping::CColorMemo<Tries> m_memo;
    Tries m_scratch{};
};

} // namespace

StageResult PatternDither(const MapJob& job) {
    return mapping::ForEachRow(job, [&] { return CPatternRows(job); });
}
