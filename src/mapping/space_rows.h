// The colour-space points of a picture's rows, worked out by a helper thread a few rows ahead of
// a method that must visit the pixels one after the other (error diffusion): the serial loop
// then only reads them, and the other processor converts the colours meanwhile. Without a
// helper thread (a small picture, or none to be had) each row is converted when it is asked for.
#pragma once

#include "mapping/pixel_mapping.h"
#include "runcontrol/row_bands.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace mapping {

// One pixel's point, and whether it takes part (a pixel of the transparent colour does not).
struct SpaceTarget {
    std::int32_t v[3]; // yb, cr, luma
    std::int32_t opaque;
};

// The target of a pixel of colour `color` in `job`.
inline SpaceTarget TargetOf(const MapJob& job, std::uint32_t color) {
    if (color == job.transColor)
        return SpaceTarget{{0, 0, 0}, 0};
    SpacePoint t;
    job.space->RgbToSpace(t, color);
    return SpaceTarget{{t.yb, t.cr, t.luma}, 1};
}

class CSpaceRows {
public:
    // Throws std::bad_alloc without memory for the rows.
    explicit CSpaceRows(const MapJob& job)
        : m_job(job), m_width(static_cast<std::size_t>(job.width)), m_rows(kAhead * m_width),
          m_colors(m_width) {
        if (engine::WorkerThreads(std::int64_t(job.width) * job.height) > 1) {
            try {
                m_helper = std::thread([this] { Produce(); });
            } catch (const std::system_error&) {
                // no helper: rows are converted when asked for
            }
        }
    }

    ~CSpaceRows() {
        if (!m_helper.joinable())
            return;
        m_stop.store(true);
        m_consumed.store(m_job.height);
        m_consumed.notify_one();
        m_helper.join();
    }

    CSpaceRows(const CSpaceRows&) = delete;
    CSpaceRows& operator=(const CSpaceRows&) = delete;

    // Row y's points; rows are asked for in ascending order, each once, and row y's points stay
    // valid until Release(y).
    const SpaceTarget* Row(int y) {
        if (!m_helper.joinable()) {
            Convert(y, m_colors.data());
            return Slot(y);
        }
        for (int ready; (ready = m_produced.load(std::memory_order_acquire)) <= y;)
            m_produced.wait(ready, std::memory_order_acquire);
        return Slot(y);
    }

    void Release(int y) {
        if (!m_helper.joinable())
            return;
        m_consumed.store(y + 1, std::memory_order_release);
        m_consumed.notify_one();
    }

private:
    static constexpr int kAhead = 8; // rows converted ahead at most

    SpaceTarget* Slot(int y) {
        return m_rows.data() + static_cast<std::size_t>(y % kAhead) * m_width;
    }

    void Convert(int y, std::uint32_t* scratch) {
        const std::uint32_t* pixels = m_job.pixels.Row(y, m_job.width, scratch);
        SpaceTarget* out = Slot(y);
        for (std::size_t x = 0; x < m_width; ++x)
            out[x] = TargetOf(m_job, pixels[x]);
    }

    void Produce() {
        for (int y = 0; y < m_job.height; ++y) {
            for (int done; y - (done = m_consumed.load(std::memory_order_acquire)) >= kAhead;) {
                if (m_stop.load())
                    return;
                m_consumed.wait(done, std::memory_order_acquire);
            }
            if (m_stop.load())
                return;
            Convert(y, m_colors.data());
            m_produced.store(y + 1, std::memory_order_release);
            m_produced.notify_one();
        }
    }

    const MapJob& m_job;
    std::size_t m_width;
    std::vector<SpaceTarget> m_rows;     // kAhead rows, row y at slot y % kAhead
    std::vector<std::uint32_t> m_colors; // the converting thread's scratch row
    std::atomic<int> m_produced{0};      // rows converted
    std::atomic<int> m_consumed{0};      // rows released
    std::atomic<bool> m_stop{false};
    std::thread m_helper; // last: started once everything above exists
};

} // namespace mapping
