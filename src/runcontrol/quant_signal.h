// The channel between a quantization run and whoever watches it: the run writes its progress
// (0..1000) and polls the cancel request. Both are single words shared without locks.
#pragma once

#include <atomic>

struct QuantSignal {
    std::atomic<int> m_nProgress{0}; // written by the run, read by the progress display
    std::atomic<int> m_bCancel{0};   // set by the user interface, cleared by the run at its start

    bool Cancelled() const { return m_bCancel.load(std::memory_order_relaxed) != 0; }
    void SetProgress(int value) { m_nProgress.store(value, std::memory_order_relaxed); }
};
