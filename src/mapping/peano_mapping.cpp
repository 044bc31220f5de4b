// "GPeanos": the colour error is carried from pixel to pixel along the Peano walk, so it always
// lands on a neighbour of the pixel that caused it. The walk sets progress after every pixel and
// does not look at cancel requests; a started walk always finishes.
//
// Only the carrying of the error is serial. A helper thread walks the picture ahead, reads the
// pixels and converts their colours into chunks of walk order; the mapping thread then only
// searches and carries the error. Without a helper thread (a small picture, or none to be had)
// the same thread fills each chunk and maps it.
#include "mapping/mapping_methods.h"
#include "mapping/nearest_scan.h"
#include "mapping/peano_walk.h"
#include "mapping/space_rows.h"
#include "runcontrol/row_bands.h"

#include <atomic>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace {

struct WalkPixel {
    mapping::SpaceTarget target;
    std::ptrdiff_t at; // offset of the pixel's index from job.indices (negative for bottom-up rows)
};

constexpr int kChunkSize = 4096; // pixels of walk order in a chunk
constexpr int kChunks = 4;       // chunks in the ring

// The serial part: the error carried along the walk, and the progress after every pixel.
struct CarryState {
    std::int32_t error[3] = {0, 0, 0}; // carried unscaled; the level applies when it is used
    std::int64_t counter = 0;
    std::int64_t nextChange = 0;
};

__attribute__((target_clones("avx2", "default"))) void MapChunk(const MapJob& job,
                                                                const WalkPixel* pixels, int count,
                                                                std::int64_t total,
                                                                CarryState& state) {
    CNearestSearch& search = *job.nearest;
    const int level = job.ditherLevel;
    const std::uint8_t transIndex = static_cast<std::uint8_t>(job.transIndex);
    const int limits[3] = {job.limits[0], job.limits[1], job.limits[2]};
    std::int32_t error[3] = {state.error[0], state.error[1], state.error[2]};
    std::int64_t counter = state.counter;
    std::int64_t nextChange = state.nextChange;
    for (int n = 0; n < count; ++n) {
        const WalkPixel& pixel = pixels[n];
        if (!pixel.target.opaque) {
            // The carried error passes a transparent pixel unchanged.
            job.indices[pixel.at] = transIndex;
        } else {
            std::int32_t v[3];
            for (int a = 0; a < 3; ++a)
                v[a] = pixel.target.v[a] +
                       mapping::Clamp(static_cast<std::int64_t>(error[a]) * level / 10, limits[a]);
            const CNearestSearch::Match match = search.FindNearestInline(v[0], v[1], v[2]);
            error[0] = v[0] - match.point->yb;
            error[1] = v[1] - match.point->cr;
            error[2] = v[2] - match.point->luma;
            job.indices[pixel.at] = static_cast<std::uint8_t>(match.index);
        }
        // 800 + 200 * k / (width * height) after pixel k. The value is stored only when it
        // changes, and the division is done only there: the next change comes at the first k
        // with 200 * k >= (q + 1) * (width * height).
        if (counter >= nextChange) {
            const std::int64_t q = (200 * counter) / total;
            job.signal->SetProgress(static_cast<int>(800 + q));
            nextChange = ((q + 1) * total + 199) / 200;
        }
        ++counter;
    }
    for (int a = 0; a < 3; ++a)
        state.error[a] = error[a];
    state.counter = counter;
    state.nextChange = nextChange;
}

// Walks the picture and fills the chunks: `Next()` gives the chunk to fill, `Filled(count)`
// takes it when it is full, and the last one with what it holds; an empty chunk ends the walk.
template <class Full> class CChunkFiller {
public:
    CChunkFiller(const MapJob& job, Full& full) : m_job(job), m_full(full) {}

    void operator()(int x, int y) {
        if (m_chunk == nullptr)
            m_chunk = m_full.Next();
        WalkPixel& out = m_chunk[m_count];
        out.at = y * m_job.indexStride + x;
        out.target = mapping::TargetOf(m_job, m_job.pixels.At(x, y));
        if (++m_count == kChunkSize)
            Flush();
    }

    void Flush() {
        if (m_count > 0)
            m_full.Filled(m_count);
        m_chunk = nullptr;
        m_count = 0;
    }

    // After the walk: what is left, then the empty chunk.
    void Finish() {
        Flush();
        m_full.Next();
        m_full.Filled(0);
    }

private:
    const MapJob& m_job;
    Full& m_full;
    WalkPixel* m_chunk = nullptr;
    int m_count = 0;
};

// The ring of chunks between the walking thread and the mapping thread.
class CWalkRing {
public:
    explicit CWalkRing(std::vector<WalkPixel>& storage) : m_storage(storage) {}

    // Walking side: the next chunk to fill, once the mapping side has finished with it.
    WalkPixel* Next() {
        const int chunk = m_produced.load(std::memory_order_relaxed);
        for (int done; chunk - (done = m_consumed.load(std::memory_order_acquire)) >= kChunks;)
            m_consumed.wait(done, std::memory_order_acquire);
        return Slot(chunk);
    }
    void Filled(int count) {
        const int chunk = m_produced.load(std::memory_order_relaxed);
        m_counts[chunk % kChunks] = count;
        m_produced.store(chunk + 1, std::memory_order_release);
        m_produced.notify_one();
    }

    // Mapping side: chunk `chunk` and its count, once it is filled.
    const WalkPixel* Wait(int chunk, int& count) {
        for (int ready; (ready = m_produced.load(std::memory_order_acquire)) <= chunk;)
            m_produced.wait(ready, std::memory_order_acquire);
        count = m_counts[chunk % kChunks];
        return Slot(chunk);
    }
    void Release(int chunk) {
        m_consumed.store(chunk + 1, std::memory_order_release);
        m_consumed.notify_one();
    }

private:
    WalkPixel* Slot(int chunk) {
        return m_storage.data() + static_cast<std::size_t>(chunk % kChunks) * kChunkSize;
    }

    std::vector<WalkPixel>& m_storage;
    int m_counts[kChunks] = {};
    std::atomic<int> m_produced{0}; // chunks filled
    std::atomic<int> m_consumed{0}; // chunks mapped
};

// Filling and mapping on one thread: each chunk is mapped as soon as it is full.
class CInlineChunks {
public:
    CInlineChunks(const MapJob& job, std::vector<WalkPixel>& storage, std::int64_t total)
        : m_job(job), m_storage(storage), m_total(total) {}
    WalkPixel* Next() { return m_storage.data(); }
    void Filled(int count) { MapChunk(m_job, m_storage.data(), count, m_total, m_state); }

private:
    const MapJob& m_job;
    std::vector<WalkPixel>& m_storage;
    const std::int64_t m_total;
    CarryState m_state;
};

} // namespace

StageResult PeanoWalk(const MapJob& job) {
    if (job.width <= 0 || job.height <= 0)
        return StageResult::Ok;
    const std::int64_t total = static_cast<std::int64_t>(job.width) * job.height;
    const bool helper = engine::WorkerThreads(total) > 1;
    std::vector<WalkPixel> storage;
    try {
        storage.resize(static_cast<std::size_t>(helper ? kChunks : 1) * kChunkSize);
    } catch (const std::bad_alloc&) {
        return StageResult::OutOfMemory;
    }
    if (helper) {
        CWalkRing ring(storage);
        auto walk = [&] {
            CChunkFiller<CWalkRing> filler(job, ring);
            CPeanoWalk<CChunkFiller<CWalkRing>> peano(filler);
            peano.PeanoWalk(job.width, job.height);
            filler.Finish();
        };
        std::thread walker;
        try {
            walker = std::thread(walk);
        } catch (const std::system_error&) {
            // no helper: walked below on this thread
        }
        if (walker.joinable()) {
            CarryState state;
            for (int chunk = 0;; ++chunk) {
                int count = 0;
                const WalkPixel* pixels = ring.Wait(chunk, count);
                if (count == 0)
                    break;
                MapChunk(job, pixels, count, total, state);
                ring.Release(chunk);
            }
            walker.join();
            return StageResult::Ok;
        }
    }
    CInlineChunks chunks(job, storage, total);
    CChunkFiller<CInlineChunks> filler(job, chunks);
    CPeanoWalk<CChunkFiller<CInlineChunks>> peano(filler);
    peano.PeanoWalk(job.width, job.height);
    filler.Flush();
    return StageResult::Ok;
}
