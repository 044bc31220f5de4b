// A second thread for the box division. The loop always splits the box of largest error; the
// helper meanwhile prepares the split of the next box of largest error (CDivideBox::PrepareSplit)
// and keeps the outcome until the loop chooses that box. When the loop needs the box the helper is
// on, it prepares the next one itself rather than wait. Boxes own disjoint ranges of the entries,
// and a box keeps its data until it is split, so a prepared outcome is the very one the loop
// would compute when it chooses the box; a box prepared and never chosen only had its range
// sorted, and nothing reads the order of the entries in a box but its own split. Only the time
// taken depends on the helper. Both sort through the room the loop had for all the entries, each
// range through its own part of it, so the helper costs no memory of that size.
//
// Synchronization: while the helper runs, the box table and the box count are written by the
// loop's thread alone, under m_lock, and read by the helper under m_lock only. A thread marks a box
// (Helper or Loop) under the lock before it prepares it; only that thread touches the box's range
// and outcome slot until it marks the box Prepared under the lock, and only the loop commits an
// outcome, under the lock, after waiting while the helper is on the box.
#pragma once

#include "quant/divide_box.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

class CSplitAhead {
public:
    // `boxes` (kBoxTableSize of them) and `entries` are the division's; boxes[0 .. boxCount - 1]
    // are filled. The helper sorts through the memory `loop` (the loop's divider) reserved for
    // all the entries, each range through its own part.
    CSplitAhead(ColorBox* boxes, ColorEntry* entries, int boxCount, const CColorSpace& space,
                const CDivideBox& loop);
    // Stops the helper, after the split it is preparing.
    ~CSplitAhead();
    CSplitAhead(const CSplitAhead&) = delete;
    CSplitAhead& operator=(const CSplitAhead&) = delete;

    // Starts the helper; false when the system refuses the thread or its memory, and the loop
    // then splits every box itself.
    bool Start();
    // CDivideBox::SplitBox(boxes, entries, i, j, space) for the loop's thread, with j the number
    // of boxes: commits the outcome prepared for box i, or prepares it with `divider`, the loop's
    // own, which also prepares boxes ahead while the helper is on box i. Throws only what
    // `divider` throws; a helper that cannot have its sort memory leaves every box to the loop.
    bool SplitBox(int i, int j, CDivideBox& divider);

private:
    enum class Mark : unsigned char { Free, Helper, Prepared, Loop };

    void Run();
    int NextToPrepare() const;

    ColorBox* const m_boxes;
    ColorEntry* const m_entries;
    const CColorSpace& m_space;
    int m_boxCount;

    std::mutex m_lock;
    std::condition_variable m_wake;     // the helper waits for a box to prepare
    std::condition_variable m_prepared; // the loop waits for the box the helper is on
    bool m_stop = false;
    std::vector<Mark> m_marks;       // per box
    std::vector<BoxSplit> m_outcome; // per box, while marked Prepared
    CDivideBox m_divider;            // sorts through the loop's memory
    std::thread m_thread;
};
