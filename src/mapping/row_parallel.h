// Row-parallel mapping for the methods whose pixels do not depend on each other ("(none)" and
// "cartoon"), with the end-of-row bookkeeping (cancel check, progress 800 + 200 * y / height)
// once per row and in row order; and the colour memo those methods keep per thread.
#pragma once

#include "mapping/mapping_methods.h"
#include "runcontrol/row_bands.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <new>

namespace mapping {

// A memo of 2^20 colours for a picture of a megapixel or more; a smaller picture cannot meet
// more colours than it has pixels, and clearing a memo larger than that would cost it more
// than its mapping.
inline int MemoBits(const MapJob& job) {
    const std::int64_t pixels = static_cast<std::int64_t>(job.width) * job.height;
    int bits = 10;
    while (bits < 20 && (std::int64_t{1} << bits) < pixels)
        ++bits;
    return bits;
}

inline int MappingThreads(const MapJob& job) {
    return engine::WorkerThreads(static_cast<std::int64_t>(job.width) * job.height);
}

// `makeWorker()` gives each thread its own worker object (caches are not shared); the worker's
// `Row(y)` maps row y completely.
template <class MakeWorker> StageResult ForEachRow(const MapJob& job, MakeWorker makeWorker) {
    return engine::ForEachRow(job.height, MappingThreads(job), 8, makeWorker,
                              [&job](int y) { return RowDone(job, y); });
}

// Runs `work(begin, end)` over 0..count-1 in chunks of `chunk` on the mapping threads. A cancel
// request seen between chunks stops every thread and gives Cancelled.
template <class Work>
StageResult ForEachChunk(const MapJob& job, std::size_t count, std::size_t chunk, Work work) {
    std::atomic<std::size_t> next{0};
    std::atomic<bool> cancelled{false};
    auto run = [&] {
        for (;;) {
            if (cancelled.load(std::memory_order_relaxed))
                return;
            if (job.signal->Cancelled()) {
                cancelled.store(true, std::memory_order_relaxed);
                return;
            }
            const std::size_t begin = next.fetch_add(chunk);
            if (begin >= count)
                return;
            work(begin, std::min(count, begin + chunk));
        }
    };
    engine::OnThreads(MappingThreads(job), run);
    return cancelled.load() ? StageResult::Cancelled : StageResult::Ok;
}

// A direct-mapped memo from 24-bit colours to what a method computed for them, so that a
// colour met again is not searched again. A colour that meets another in its slot simply
// replaces it; the memo only ever answers with what was stored for exactly that colour.
template <class Payload> class CColorMemo {
public:
    explicit CColorMemo(int bits) {
        const std::size_t size = std::size_t{1} << bits;
        m_keys.reset(new (std::nothrow) std::uint32_t[size]);
        m_values.reset(new (std::nothrow) Payload[size]);
        if (!m_keys || !m_values) {
            m_keys.reset();
            m_values.reset();
            return;
        }
        std::fill(m_keys.get(), m_keys.get() + size, kEmpty);
        m_shift = 32 - bits;
    }

    // The stored value for `color`, or null; without memory every lookup misses.
    const Payload* Find(std::uint32_t color) const {
        if (!m_keys)
            return nullptr;
        const std::size_t slot = Slot(color);
        return m_keys[slot] == color ? &m_values[slot] : nullptr;
    }

    void Store(std::uint32_t color, const Payload& value) {
        if (!m_keys)
            return;
        const std::size_t slot = Slot(color);
        m_keys[slot] = color;
        m_values[slot] = value;
    }

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF; // above every 24-bit colour

    std::size_t Slot(std::uint32_t color) const { return (color * 0x9E3779B1u) >> m_shift; }

    std::unique_ptr<std::uint32_t[]> m_keys;
    std::unique_ptr<Payload[]> m_values;
    int m_shift = 32;
};

} // namespace mapping
