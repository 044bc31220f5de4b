// "GPeanos": the colour error is carried from pixel to pixel along the Peano walk, so it always
// lands on a neighbour of the pixel that caused it. The walk sets progress after every pixel and
// does not look at cancel requests; a started walk always finishes.
#include "mapping/mapping_methods.h"
#include "mapping/peano_walk.h"

namespace {

class CPeanoMapper {
public:
    explicit CPeanoMapper(const MapJob& job)
        : m_job(job), m_total(static_cast<std::int64_t>(job.width) * job.height) {}

    void operator()(int x, int y) {
        const std::size_t at =
            static_cast<std::size_t>(y) * static_cast<std::size_t>(m_job.width) + x;
        const std::uint32_t pixel = m_job.pixels.At(x, y);
        if (pixel == m_job.transColor) {
            // The carried error passes a transparent pixel unchanged.
            m_job.indices[at] = static_cast<std::uint8_t>(m_job.transIndex);
        } else {
            SpacePoint t;
            m_job.space->RgbToSpace(t, pixel);
            const std::int32_t target[3] = {t.yb, t.cr, t.luma};
            std::int32_t v[3];
            for (int a = 0; a < 3; ++a)
                v[a] = target[a] + mapping::Clamp(static_cast<std::int64_t>(m_error[a]) *
                                                      m_job.ditherLevel / 10,
                                                  m_job.limits[a]);
            const int i = m_job.nearest->FindNearest(v[0], v[1], v[2]);
            const SpacePoint& p = m_job.nearest->Point(i);
            m_error[0] = v[0] - p.yb; // carried unscaled; the level applies when it is used
            m_error[1] = v[1] - p.cr;
            m_error[2] = v[2] - p.luma;
            m_job.indices[at] = static_cast<std::uint8_t>(i);
        }
        // 800 + 200 * k / (width * height) after pixel k. The value is stored only when it
        // changes, and the division is done only there: the next change comes at the first k
        // with 200 * k >= (q + 1) * (width * height).
        if (m_counter >= m_nextChange) {
            const std::int64_t q = (200 * m_counter) / m_total;
            m_job.signal->SetProgress(static_cast<int>(800 + q));
            m_nextChange = ((q + 1) * m_total + 199) / 200;
        }
        ++m_counter;
    }

private:
    const MapJob& m_job;
    const std::int64_t m_total;
    std::int64_t m_counter = 0;
    std::int64_t m_nextChange = 0;
    std::int32_t m_error[3] = {0, 0, 0};
};

} // namespace

StageResult PeanoWalk(const MapJob& job) {
    CPeanoMapper mapper(job);
    CPeanoWalk<CPeanoMapper> walk(mapper);
    walk.PeanoWalk(job.width, job.height);
    return StageResult::Ok;
}
