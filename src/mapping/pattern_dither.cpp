// "cartoon": ordered pattern dithering. Each pixel tries sixteen colours, each time adding the
// scaled error of the previous try; the tries are ordered by luminance and the 4 x 4 threshold
// matrix picks one, so flat areas turn into regular patterns. The error is not clamped.
//
// The sorted tries depend on the pixel's colour alone; only the pick depends on (x, y). Large
// pictures therefore work out the tries once per distinct colour first (on several threads)
// and then pick per pixel; others, or pictures with too many colours for that table, keep a
// memo of recent colours per thread.
#include "mapping/color_rank.h"
#include "mapping/mapping_methods.h"
#include "mapping/row_parallel.h"

#include <array>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr int kThreshold[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

using Tries = std::array<std::uint8_t, 16>; // palette indices, darkest first

Tries Try(const MapJob& job, std::uint32_t color) {
    SpacePoint t;
    job.space->RgbToSpace(t, color);
    const int level = job.ditherLevel;
    std::int32_t e[3] = {0, 0, 0};
    // Each try as (luma << 16 | index): sorting these sorts by luma, then by index.
    std::int64_t keys[16];
    for (int k = 0; k < 16; ++k) {
        const std::int32_t v[3] = {t.yb + e[0], t.cr + e[1], t.luma + e[2]};
        const int i = job.nearest->FindNearest(v[0], v[1], v[2]);
        const SpacePoint& p = job.nearest->Point(i);
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

// Picks from the tries of every distinct colour, worked out beforehand.
class CTableRows {
public:
    CTableRows(const MapJob& job, const CColorRank& rank, const Tries* tries)
        : m_job(job), m_rank(rank), m_tries(tries), m_row(static_cast<std::size_t>(job.width)) {}

    void Row(int y) {
        const std::uint32_t* pixels = m_job.pixels.Row(y, m_job.width, m_row.data());
        std::uint8_t* index = m_job.IndexRow(y);
        const int* threshold = kThreshold[y % 4];
        for (int x = 0; x < m_job.width; ++x) {
            const std::uint32_t pixel = pixels[x];
            index[x] = pixel == m_job.transColor ? static_cast<std::uint8_t>(m_job.transIndex)
                                                 : m_tries[m_rank.Rank(pixel)][threshold[x % 4]];
        }
    }

private:
    const MapJob& m_job;
    const CColorRank& m_rank;
    const Tries* m_tries;
    std::vector<std::uint32_t> m_row;
};

// Works the tries out as colours come, remembering recent ones.
class CMemoRows {
public:
    explicit CMemoRows(const MapJob& job)
        : m_job(job), m_memo(mapping::MemoBits(job)), m_row(static_cast<std::size_t>(job.width)) {}

    void Row(int y) {
        const std::uint32_t* pixels = m_job.pixels.Row(y, m_job.width, m_row.data());
        std::uint8_t* index = m_job.IndexRow(y);
        for (int x = 0; x < m_job.width; ++x) {
            const std::uint32_t pixel = pixels[x];
            if (pixel == m_job.transColor) {
                index[x] = static_cast<std::uint8_t>(m_job.transIndex);
                continue;
            }
            const std::uint32_t color = pixel & 0xFFFFFF;
            const Tries* tries = m_memo.Find(color);
            if (tries == nullptr) {
                m_scratch = Try(m_job, color);
                m_memo.Store(color, m_scratch);
                tries = &m_scratch;
            }
            index[x] = (*tries)[kThreshold[y % 4][x % 4]];
        }
    }

private:
    const MapJob& m_job;
    mapping::CColorMemo<Tries> m_memo;
    Tries m_scratch{};
    std::vector<std::uint32_t> m_row;
};

} // namespace

StageResult PatternDither(const MapJob& job) {
    const std::size_t pixels =
        static_cast<std::size_t>(job.width) * static_cast<std::size_t>(job.height);
    // The table costs 3 MB plus 16 bytes per distinct colour; it is taken only for large
    // pictures whose colours repeat (at most one distinct colour per 8 pixels), so it stays a
    // small part of the run's memory.
    if (pixels >= (std::size_t{1} << 20)) {
        auto rank = std::make_unique<CColorRank>();
        if (rank->Build(job.pixels, job.width, job.height, job.transColor) &&
            rank->Count() <= pixels / 8) {
            std::unique_ptr<Tries[]> tries(new (std::nothrow) Tries[rank->Count()]);
            if (tries) {
                Tries* table = tries.get();
                const CColorRank& r = *rank;
                const StageResult worked = mapping::ForEachChunk(
                    job, CColorRank::kWords, 256, [&](std::size_t begin, std::size_t end) {
                        for (std::size_t w = begin; w < end; ++w) {
                            for (std::uint64_t bits = r.Word(w); bits != 0; bits &= bits - 1) {
                                const auto color = static_cast<std::uint32_t>(
                                    w * 64 + static_cast<std::size_t>(std::countr_zero(bits)));
                                table[r.Rank(color)] = Try(job, color);
                            }
                        }
                    });
                if (worked != StageResult::Ok)
                    return worked;
                return mapping::ForEachRow(job, [&] { return CTableRows(job, r, table); });
            }
        }
    }
    return mapping::ForEachRow(job, [&] { return CMemoRows(job); });
}
