// Nearest palette entry in the weighted colour space. Colour space is divided into a
// 40 x 40 x 40 grid; the first point that falls into a cell builds the list of entries that can
// be nearest to any point of that cell, later points of the cell scan only that list. Points off
// the grid are compared with every entry. Ties always go to the lowest palette index.
#pragma once

#include "mapping/color_space.h"

#include <atomic>
#include <cstdint>

class CNearestSearch {
public:
    static constexpr int kCellCount = 64000; // 40 x 40 x 40
    static constexpr int kMaxEntries = 256;

    CNearestSearch() = default;
    CNearestSearch(const CNearestSearch&) = delete;
    CNearestSearch& operator=(const CNearestSearch&) = delete;
    virtual ~CNearestSearch();

    // Entries 0..count-1 take part in the search (count 1..256). Frees every list of the
    // previous palette, so lists never outlive the palette they were built for. False when the
    // memory for the palette's own table cannot be had.
    [[nodiscard]] bool SetPalette(const SpacePoint* points, int count);

    // Palette index 0..K-1 nearest to the point. Safe to call from several threads at once:
    // a cell list is a function of its cell alone, so two threads building the same list build
    // the same one and the first to publish it wins.
    int FindNearest(int yb, int cr, int luma);

    // The same search, with the entry's point; defined in nearest_scan.h for the loops that
    // search once a pixel.
    struct Match {
        int index;
        const SpacePoint* point;
    };
    inline Match FindNearestInline(int yb, int cr, int luma);

    // Cell number 0..63999, or -1 off the grid. Truncating division, so a coordinate less than
    // one cell below the grid still lands in cell index 0.
    static int CellOf(int yb, int cr, int luma);

    // Builds and publishes the list of the cell holding the point; false when the memory for it
    // could not be had (the caller then searches every entry).
    bool BuildCellList(int yb, int cr, int luma);

    // Walks a list of palette indices up to its terminator (the first value negative as a
    // signed 16-bit number).
    int SearchList(const std::uint16_t* list, int yb, int cr, int luma) const;

    // Every entry compared, the first of equally near ones kept.
    int SearchAll(int yb, int cr, int luma) const;

    void FreeCellLists();

    const SpacePoint& Point(int index) const { return m_palettePoints[index]; }
    int SearchCount() const { return m_searchCount; }
    // The candidate list of a cell: ascending indices ended by 0xFFFF; null until built.
    const std::uint16_t* CellList(int cell) const;

    // A list with the coordinates of its entries beside it, laid out for scanning.
    struct Candidates;

private:
    Candidates* NewCandidates(const double* distance, double threshold) const;
    static void FreeCandidates(Candidates* c);
    Candidates* InsideCandidates(const double* distance, double threshold, const double* low) const;

    SpacePoint m_palettePoints[kMaxEntries] = {};
    int m_searchCount = 0;
    Candidates* m_allEntries = nullptr; // every entry, for points off the grid
    // Each 0 or the address of the candidates searched for a point inside that cell (see
    // Candidates), 32-byte aligned, with their number of groups of four in the low five bits
    // (0 when more than 31).
    static constexpr std::uintptr_t kGroupsMask = 31;
    static Candidates* Unpack(std::uintptr_t entry);
    std::atomic<std::uintptr_t> m_cellLists[kCellCount] = {};
};
