// Rows of a picture worked on by several threads in bands, while the end-of-row bookkeeping
// (cancel check, progress) still happens once per row and in row order: whichever thread
// completes the band that moves the finished frontier reports the rows up to the next unfinished
// band. A cancel request seen there stops every thread at its next band.
#pragma once

#include "runcontrol/stage_result.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace engine {

// Threads worth starting for a picture: one per core, but only for pictures large enough to
// repay the start-up.
inline int WorkerThreads(std::int64_t pixels) {
    if (pixels < (1 << 18))
        return 1;
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores, 1u, 8u));
}

// Runs `work()` on the calling thread and on up to `threads - 1` more; fewer when the system
// refuses a thread, which changes nothing but the time taken.
template <class Work> void OnThreads(int threads, Work& work) {
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back([&work] { work(); });
        } catch (const std::system_error&) {
            break;
        } catch (const std::bad_alloc&) {
            break;
        }
    }
    work();
    for (auto& t : helpers)
        t.join();
}

// `makeWorker()` gives each thread its own worker object; the worker's `Row(y)` does row y
// completely, and rows of one band come to one worker in ascending order. `rowDone(y)` is the
// bookkeeping of row y; false stops the work and gives Cancelled.
template <class MakeWorker, class RowDone>
StageResult ForEachRow(int height, int threads, int band, MakeWorker makeWorker, RowDone rowDone) {
    if (height <= 0)
        return StageResult::Ok;
    const int bands = (height + band - 1) / band;
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
    bool outOfMemory = false;

    auto run = [&] {
        try {
            auto worker = makeWorker();
            for (;;) {
                if (stop.load(std::memory_order_relaxed))
                    return;
                const int b = nextBand.fetch_add(1);
                if (b >= bands)
                    return;
                const int last = std::min(height, (b + 1) * band);
                for (int y = b * band; y < last; ++y)
                    worker.Row(y);
                std::lock_guard guard(frontierLock);
                bandDone[static_cast<std::size_t>(b)] = 1;
                while (!cancelled && frontier < bands &&
                       bandDone[static_cast<std::size_t>(frontier)]) {
                    const int end = std::min(height, (frontier + 1) * band);
                    for (int y = frontier * band; y < end && !cancelled; ++y)
                        cancelled = !rowDone(y);
                    ++frontier;
                }
                if (cancelled)
                    stop.store(true, std::memory_order_relaxed);
            }
        } catch (const std::bad_alloc&) {
            std::lock_guard guard(frontierLock);
            outOfMemory = true;
            stop.store(true, std::memory_order_relaxed);
        }
    };
    OnThreads(std::min(threads, bands), run);
    if (outOfMemory)
        return StageResult::OutOfMemory;
    return cancelled ? StageResult::Cancelled : StageResult::Ok;
}

} // namespace engine
