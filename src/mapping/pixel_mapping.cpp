#include "mapping/pixel_mapping.h"

#include "mapping/mapping_methods.h"
#include "mapping/row_parallel.h"

#include <vector>

StageResult MapPixels(const MapJob& job) {
    switch (job.ditherMode) {
    case 1:
        return PeanoWalk(job);
    case 2:
        return ErrorDiffusion(job, false);
    case 3:
        return ErrorDiffusion(job, true);
    case 4:
        return PatternDither(job);
    default:
        return MapNearest(job);
    }
}

namespace {

// "(none)": each pixel's index depends on its colour alone, so colours met before are answered
// from the memo.
class CNearestRows {
public:
    explicit CNearestRows(const MapJob& job)
        : m_job(job), m_memo(mapping::MemoBits(job)), m_row(static_cast<std::size_t>(job.width)) {}

    void Row(int y) {
        const std::uint32_t* pixel = m_job.pixels.Row(y, m_job.width, m_row.data());
        std::uint8_t* index = m_job.IndexRow(y);
        for (int x = 0; x < m_job.width; ++x) {
            if (pixel[x] == m_job.transColor) {
                index[x] = static_cast<std::uint8_t>(m_job.transIndex);
                continue;
            }
            const std::uint32_t color = pixel[x] & 0xFFFFFF; // all the colour space looks at
            if (const std::uint8_t* known = m_memo.Find(color)) {
                index[x] = *known;
                continue;
            }
            SpacePoint t;
            m_job.space->RgbToSpace(t, color);
            index[x] = static_cast<std::uint8_t>(m_job.nearest->FindNearest(t.yb, t.cr, t.luma));
            m_memo.Store(color, index[x]);
        }
    }

private:
    const MapJob& m_job;
    mapping::CColorMemo<std::uint8_t> m_memo;
    std::vector<std::uint32_t> m_row;
};

} // namespace

StageResult MapNearest(const MapJob& job) {
    return mapping::ForEachRow(job, [&] { return CNearestRows(job); });
}
