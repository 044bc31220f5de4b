#include "quant/split_ahead.h"

#include <new>
#include <system_error>

CSplitAhead::CSplitAhead(ColorBox* boxes, ColorEntry* entries, int boxCount,
                         const CColorSpace& space, const CDivideBox& loop)
    : m_boxes(boxes), m_entries(entries), m_space(space), m_boxCount(boxCount) {
    m_divider.ShareSplitMemory(loop);
}

CSplitAhead::~CSplitAhead() {
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard guard(m_lock);
        m_stop = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

bool CSplitAhead::Start() {
    try {
        m_marks.assign(kBoxTableSize, Mark::Free);
        m_outcome.resize(kBoxTableSize);
        m_thread = std::thread([this] { Run(); });
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

// The box of largest error is the one the loop is splitting or chooses next; the next largest
// still to be prepared is the most likely to be chosen after it.
int CSplitAhead::NextToPrepare() const {
    int top = 0;
    for (int b = 1; b < m_boxCount; ++b)
        if (m_boxes[b].error > m_boxes[top].error)
            top = b;
    int next = -1;
    for (int b = 0; b < m_boxCount; ++b)
        if (b != top && m_marks[b] == Mark::Free && m_boxes[b].error > 0 &&
            (next < 0 || m_boxes[b].error > m_boxes[next].error))
            next = b;
    return next;
}

void CSplitAhead::Run() {
    std::unique_lock lock(m_lock);
    for (;;) {
        int box = -1;
        m_wake.wait(lock, [&] { return m_stop || (box = NextToPrepare()) >= 0; });
        if (m_stop)
            return;
        m_marks[box] = Mark::Helper;
        const ColorBox data = m_boxes[box];
        lock.unlock();
        bool prepared = true;
        try {
            m_divider.PrepareSplit(data, m_entries, m_space, m_outcome[box]);
        } catch (...) {
            prepared = false; // the range is untouched; the loop splits the box itself
        }
        lock.lock();
        m_marks[box] = prepared ? Mark::Prepared : Mark::Free;
        m_prepared.notify_one();
        if (!prepared)
            return;
    }
}

bool CSplitAhead::SplitBox(int i, int j, CDivideBox& divider) {
    // A waiting helper is woken here only, when the loop goes on, so that it starts no box after
    // the last split (the stop waits for the box it is on).
    m_wake.notify_one();
    std::unique_lock lock(m_lock);
    // While the helper is on box i, this thread prepares the next box rather than wait.
    while (m_marks[i] == Mark::Helper) {
        const int next = NextToPrepare();
        if (next < 0) {
            m_prepared.wait(lock, [&] { return m_marks[i] != Mark::Helper; });
            break;
        }
        m_marks[next] = Mark::Loop;
        lock.unlock();
        divider.PrepareSplit(m_boxes[next], m_entries, m_space, m_outcome[next]);
        lock.lock();
        m_marks[next] = Mark::Prepared;
    }
    if (m_marks[i] != Mark::Prepared) {
        m_marks[i] = Mark::Loop;
        lock.unlock();
        divider.PrepareSplit(m_boxes[i], m_entries, m_space, m_outcome[i]);
        lock.lock();
    }
    m_marks[i] = Mark::Free;
    const bool cut = CDivideBox::CommitSplit(m_boxes, i, j, m_outcome[i]);
    if (cut)
        m_boxCount = j + 1;
    return cut;
}
