// Row-parallel mapping for the methods whose pixels do not depend on each other ("(none)" and
// "cartoon"): bands of rows go to several threads, while the end-of-row bookkeeping (cancel
// check, progress 800 + 200 * y / height) still happens once per row and in row order, by
// whichever thread completes the band that moves the finished frontier. A cancel request seen
// there stops every thread at its next band.
#pragma once

#include "colorspace/mapping_methods.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace mapping {

// Threads worth starting for a picture: one per core, but only for pictures large enough to
// repay the start-up.
inline int MappingThreads(const MapJob& job) {
    const std::int64_t pixels = static_cast<std::int64_t>(job.width) * job.height;
    if (pixels < (1 << 18))
        return 1;
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores, 1u, 8u));
}

// `makeWorker()` gives each thread its own worker object (caches are not shared); the worker's
// `Row(y)` maps row y completely.
template <class MakeWorker> StageResult ForEachRow(const MapJob& job, MakeWorker makeWorker) {
    constexpr int kBand = 8;
    const int bands = (job.height + kBand - 1) / kBand;
    std::vector<char> bandDone;
    try {
        bandDone.assign(static_cast<std::size_t>(bands), 0);
    } catch (const std::bad_alloc&) {
        return StageResult::OutOfMemory;
    }
    std::atomic<int> nextBand{0};
    std::atomic<bool> stop{false};
    std::mutex frontierLock;
    int frontier = 0; // bands before it are done and reported
    bool cancelled = false;

    auto run = [&] {
        auto worker = makeWorker();
        for (;;) {
            if (stop.load(std::memory_order_relaxed))
                return;
            const int band = nextBand.fetch_add(1);
            if (band >= bands)
                return;
            const int last = std::min(job.height, (band + 1) * kBand);
            for (int y = band * kBand; y < last; ++y)
                worker.Row(y);
            std::lock_guard guard(frontierLock);
            bandDone[static_cast<std::size_t>(band)] = 1;
            while (!cancelled && frontier < bands && bandDone[static_cast<std::size_t>(frontier)]) {
                const int end = std::min(job.height, (frontier + 1) * kBand);
                for (int y = frontier * kBand; y < end && !cancelled; ++y)
                    cancelled = !RowDone(job, y);
                ++frontier;
            }
            if (cancelled)
                stop.store(true, std::memory_order_relaxed);
        }
    };

    std::vector<std::thread> helpers;
    const int threads = std::min(MappingThreads(job), bands);
    for (int t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(run);
        } catch (const std::system_error&) {
            break; // fewer threads, same result
        } catch (const std::bad_alloc&) {
            break;
        }
    }
    run();
    for (auto& t : helpers)
        t.join();
    return cancelled ? StageResult::Cancelled : StageResult::Ok;
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
    std::vector<std::thread> helpers;
    for (int t = 1; t < MappingThreads(job); ++t) {
        try {
            helpers.emplace_back(run);
        } catch (const std::system_error&) {
            break;
        } catch (const std::bad_alloc&) {
            break;
        }
    }
    run();
    for (auto& t : helpers)
        t.join();
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
