// The channel between a quantization run and whoever watches it: the run writes its progress
// (0..1000) and polls the cancel request. Both are single words shared without locks.
#pragma once

#include <atomic>
#include <functional>

struct QuantSignal {
    std::atomic<int> m_nProgress{0}; // written by the run, read by the progress display
    std::atomic<int> m_bCancel{0};   // set by the user interface, cleared by the run at its start
    // Sees every progress report as it is made, on the reporting thread. The program polls
    // m_nProgress instead and leaves this empty; tests record the reports of one stage.
    std::function<void(int)> m_onProgress;
    // Sees the end of each stage of a run, on the run's thread, named "pixel array",
    // "histogram", "division", "palette" and "mapping" by the engine (whoever drives the run may
    // report stages of its own, such as reading and writing files). Empty unless someone
    // measures the stages; it costs nothing then.
    std::function<void(const char* stage)> m_onStage;

    bool Cancelled() const { return m_bCancel.load(std::memory_order_relaxed) != 0; }
    void SetProgress(int value) {
        m_nProgress.store(value, std::memory_order_relaxed);
        if (m_onProgress)
            m_onProgress(value);
    }
    void StageDone(const char* stage) {
        if (m_onStage)
            m_onStage(stage);
    }
};
