// Principal-axis box statistics and splitting over a list of weighted colours. A box owns a
// contiguous range of an array of entries; splitting reorders that range along the box's
// principal axis and cuts it where the summed squared error of the two halves is smallest.
#pragma once

#include "mapping/color_space.h"
#include "quant/color_entry.h"
#include "quant/key_sort.h"

#include <cstdint>

struct ColorBox {
    double error = 0; // weighted squared distance to reprCoord; 0: never split again
    std::int32_t first = 0;
    std::int32_t count = 0;
    std::int32_t reprCoord[3] = {}; // weighted mean, rounded half up (yb, cr, luma)
    std::uint32_t reprColor = 0;    // on the output grid
    double axis[4] = {};            // principal axis, then the total weight
    double stdDev[4] = {};          // square roots of the covariance diagonal, then the weight
    double mean[4] = {};            // weighted mean, then the total weight
    double principalVariance = 0;   // largest eigenvalue of the covariance
};

constexpr int kBoxTableSize = 769;
constexpr int kMaxBoxes = 760; // the division never uses more boxes than this

// What splitting a box gives: its own new data and, when it was cut, the box of the entries after
// the cut. A refused split gives the box refilled over its sorted range with error 0.
struct BoxSplit {
    bool cut = false;
    ColorBox lower;
    ColorBox upper; // only when cut
};

class CDivideBox {
public:
    virtual ~CDivideBox() = default;

    // Sets up boxes[index] over entries[first .. first + count - 1].
    void FillBox(ColorBox* boxes, ColorEntry* entries, int index, int first, int count,
                 const CColorSpace& space);
    void FillBox(ColorBox& box, const ColorEntry* entries, int first, int count,
                 const CColorSpace& space);
    // Has the memory for splitting the ranges of an array of `count` entries (throws
    // std::bad_alloc): each range sorts through its own part of it, so another divider may share
    // it (ShareSplitMemory) and split other ranges at the same time. Without it, PrepareSplit
    // has memory for each range as it comes.
    void ReserveSplit(std::size_t count) {
        m_sort.Reserve(count);
        m_rangeScratch = m_sort.Scratch();
    }
    // Splits through the memory `owner` reserved for the whole array; owner outlives this.
    void ShareSplitMemory(const CDivideBox& owner) { m_rangeScratch = owner.m_rangeScratch; }
    // Splits boxes[i] into itself and boxes[j]; false (and error 0) when it cannot be split.
    bool SplitBox(ColorBox* boxes, ColorEntry* entries, int i, int j, const CColorSpace& space);
    // The two steps of SplitBox. PrepareSplit sorts the box's range along its axis, finds the cut
    // and fills the halves; it reads `box` and that range and writes that range and `split` only,
    // so boxes with other ranges may be prepared at the same time, and ahead of their commit. It
    // throws std::bad_alloc only before the range is touched, when the sort's memory cannot be
    // had. CommitSplit stores the outcome as boxes[i] and, when cut, boxes[j].
    void PrepareSplit(const ColorBox& box, ColorEntry* entries, const CColorSpace& space,
                      BoxSplit& split);
    static bool CommitSplit(ColorBox* boxes, int i, int j, const BoxSplit& split);
    // Weighted mean, covariance diagonal and principal axis of a range; returns the largest
    // eigenvalue. The fourth element of each output is the total weight. An empty range gives 0s.
    // With `error`, also the weighted squared distance of the range to its mean rounded half up,
    // summed in the same pass.
    double BoxStatistics(const ColorEntry* entries, int first, int count, double axis[4],
                         double stdDev[4], double mean[4], double* error = nullptr);
    // The cut k (1..count - 1) of a range sorted by key with the smallest summed squared error;
    // the first such k on ties, 0 when count < 2.
    static int FindBestCut(const ColorEntry* entries, int first, int count);
    // Cyclic Jacobi rotations on the symmetric row-major n x n `matrix`; `vectors` (row-major,
    // starting as the caller sets it) receives the rotations column by column.
    static void JacobiEigen(int n, double* matrix, double* vectors, double threshold);

private:
    double m_covariance[3][3] = {};
    double m_vectors[3][3] = {};
    CKeySort m_sort;
    ColorEntry* m_rangeScratch = nullptr; // one entry of room per entry of the array, or null
};
