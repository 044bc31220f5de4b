// Stable least-significant-digit radix sort of 64-bit keys that carry one value each, for the
// box division's projection keys.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace engine {

// The counters RadixSortPairs<Bits> takes: one per value of each digit.
template <int Bits> constexpr std::size_t kRadixCounters = ((64 + Bits - 1) / Bits) << Bits;

// Sorts keys[0 .. count - 1] ascending, moving values[i] with keys[i]; equal keys keep their
// order. Each scratch array has room for `count` items; a buffer and its scratch may trade
// places, so the sorted items are where `keys` and `values` point afterwards. The digits of
// Bits bits are counted in one pass over the keys, into `counters` (kRadixCounters<Bits>); a
// digit that every key shares is skipped.
template <int Bits, class Value>
void RadixSortPairs(std::uint64_t*& keys, std::uint64_t*& keyScratch, Value*& values,
                    Value*& valueScratch, std::size_t count, std::size_t* counters) {
    constexpr int digits = (64 + Bits - 1) / Bits;
    constexpr std::size_t radix = std::size_t{1} << Bits;
    constexpr std::uint64_t mask = radix - 1;
    std::size_t* const start = counters;
    std::fill(start, start + kRadixCounters<Bits>, std::size_t{0});
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t key = keys[i];
        for (int d = 0; d < digits; ++d)
            ++start[d * radix + ((key >> (d * Bits)) & mask)];
    }
    for (int d = 0; d < digits; ++d) {
        std::size_t* first = start + d * radix;
        if (std::find(first, first + radix, count) != first + radix)
            continue;
        std::size_t next = 0;
        for (std::size_t b = 0; b < radix; ++b)
            next += std::exchange(first[b], next);
        const int shift = d * Bits;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t to = first[(keys[i] >> shift) & mask]++;
            keyScratch[to] = keys[i];
            valueScratch[to] = values[i];
        }
        std::swap(keys, keyScratch);
        std::swap(values, valueScratch);
    }
}

} // namespace engine
