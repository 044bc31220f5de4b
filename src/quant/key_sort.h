// The stable ascending sort of a box's entries by their projection keys (equal keys keep their
// order; -0 and +0 are equal). Large ranges are radix-sorted on the keys' bit patterns, which
// gives the very order of a comparison sort with `<` in a fraction of its time. The memory for
// it is had once, for the largest range, before the division starts: 24 bytes an entry, the
// keys held apart from the entries so that the entries stay small the whole run.
#pragma once

#include "quant/color_entry.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class CKeySort {
public:
    // Room for ranges of up to `count` entries; throws std::bad_alloc when it cannot be had.
    void Reserve(std::size_t count);
    std::size_t capacity() const { return m_capacity; }

    // The key of the i-th pointer of the next range to sort (i < capacity()); never NaN, which
    // no projection of finite points on a finite axis gives.
    void SetKey(std::size_t i, double key) { m_keys[i] = std::bit_cast<std::uint64_t>(key); }

    // Sorts pointers[0 .. count - 1] by the keys set for them, which it uses up.
    void Sort(ColorEntry** pointers, int count);

private:
    void CompareSort(ColorEntry** pointers, int count);

    std::size_t m_capacity = 0;
    std::unique_ptr<std::uint64_t[]> m_keys;
    std::unique_ptr<std::uint64_t[]> m_keyScratch;
    std::unique_ptr<ColorEntry*[]> m_pointerScratch;
    std::unique_ptr<std::size_t[]> m_counters;
    std::vector<std::pair<double, ColorEntry*>> m_small; // the ranges that are compared
};
