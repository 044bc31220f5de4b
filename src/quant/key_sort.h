// The stable ascending sort of a box's entries by their projection keys (equal keys keep their
// order; -0 and +0 are equal). The entries themselves move, so that every later pass over a box
// reads one contiguous range. Large ranges are radix-sorted on the keys' bit patterns, which
// gives the very order of a comparison sort with `<` in a fraction of its time. The memory for
// it is had once, for the largest range, before the division starts: 16 bytes an entry.
#pragma once

#include "quant/color_entry.h"
#include "quant/radix_sort.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

class CKeySort {
public:
    // Room for ranges of up to `count` entries; throws std::bad_alloc when it cannot be had.
    void Reserve(std::size_t count);
    std::size_t capacity() const { return m_capacity; }

    // The room had by Reserve.
    ColorEntry* Scratch() const { return m_scratch.get(); }

    // Sorts entries[0 .. count - 1] by key(entry), a double that is never NaN (no projection of
    // finite points on a finite axis is) and the same every time it is asked for the same entry,
    // through `scratch`: room for `count` entries, Scratch() or another sorter's (sorts of
    // disjoint parts of one array can share one room, each through its own part of it). Reserve,
    // with 0 when the room is another's, gives the rest of the memory a sort needs.
    template <class Key> void Sort(ColorEntry* entries, int count, Key key, ColorEntry* scratch);

private:
    static constexpr int kRadixFrom = 2048; // below this many entries comparing is as quick
    static constexpr int kDigitBits = 11;
    static constexpr int kPrefixShift = 64 - 3 * kDigitBits; // the radix passes' part of a pattern

    // A pattern that orders as the key does: negative keys have every bit flipped, the others
    // only the sign. Zero of either sign becomes the same pattern, as `<` sees them equal.
    static std::uint64_t OrderOf(double key) {
        std::uint64_t bits = std::bit_cast<std::uint64_t>(key);
        if ((bits << 1) == 0)
            bits = 0; // -0 becomes +0
        return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
    }

    struct Release {
        void operator()(ColorEntry* p) const { ::operator delete(p); }
    };

    std::size_t m_capacity = 0;
    std::unique_ptr<ColorEntry, Release> m_scratch; // left untouched until a range needs it
    std::unique_ptr<std::size_t[]> m_counters;
    std::vector<std::pair<double, ColorEntry>> m_small; // the ranges that are compared
};

template <class Key>
void CKeySort::Sort(ColorEntry* entries, int count, Key key, ColorEntry* scratch) {
    if (count < kRadixFrom) {
        // Sorting the keys beside their entries keeps the comparisons in one contiguous array.
        m_small.clear();
        for (int i = 0; i < count; ++i)
            m_small.emplace_back(key(entries[i]), entries[i]);
        std::stable_sort(m_small.begin(), m_small.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (int i = 0; i < count; ++i)
            entries[i] = m_small[std::size_t(i)].second;
        return;
    }
    // Three passes over the patterns' top 33 bits (sign, exponent and 21 bits of the mantissa)
    // order the range by them, stably; the keys that share them, few and near, are then put in
    // order among themselves, stably. Together: the order of all 64 bits, in half the passes.
    const std::size_t n = static_cast<std::size_t>(count);
    ColorEntry* values = entries;
    auto prefix = [&](const ColorEntry& e) { return OrderOf(key(e)) >> kPrefixShift; };
    engine::RadixSortBy<kDigitBits, ColorEntry, decltype(prefix), 64 - kPrefixShift>(
        values, scratch, n, m_counters.get(), prefix);
    if (values != entries)
        std::copy(values, values + n, entries);
    auto less = [&](const ColorEntry& a, const ColorEntry& b) { return key(a) < key(b); };
    std::size_t runStart = 0;
    bool inOrder = true; // the run of one prefix since runStart
    std::uint64_t last = OrderOf(key(entries[0]));
    for (std::size_t i = 1; i <= n; ++i) {
        const std::uint64_t pattern = i < n ? OrderOf(key(entries[i])) : ~last;
        if ((pattern >> kPrefixShift) != (last >> kPrefixShift)) {
            // Merges in place when no memory is to be had: nothing here fails once entries move.
            if (!inOrder)
                std::stable_sort(entries + runStart, entries + i, less);
            runStart = i;
            inOrder = true;
        } else if (pattern < last) {
            inOrder = false;
        }
        last = pattern;
    }
}
