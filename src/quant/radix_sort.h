// Stable least-significant-digit radix sort of values by 64-bit keys computed from them, for the
// box division's projection keys.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace engine {

// The counters RadixSortBy<Bits> takes: one per value of each digit.
template <int Bits> constexpr std::size_t kRadixCounters = ((64 + Bits - 1) / Bits) << Bits;

// Sorts values[0 .. count - 1] ascending by keyOf(value), a std::uint64_t; equal keys keep their
// order. The key is computed again in every pass rather than stored: recomputing it is cheaper
// than moving it, and the values stay the only items moved. `scratch` has room for `count`
// values; the two may trade places, so the sorted values are where `values` points afterwards.
// The digits of Bits bits are counted in one pass, into `counters` (kRadixCounters<Bits>); a
// digit that every key shares is skipped.
// Keys below 2^KeyBits need only the digits that hold them counted and sorted.
template <int Bits, class Value, class KeyOf, int KeyBits = 64>
void RadixSortBy(Value*& values, Value*& scratch, std::size_t count, std::size_t* counters,
                 KeyOf keyOf) {
    static_assert(KeyBits > 0 && KeyBits <= 64);
    constexpr int digits = (KeyBits + Bits - 1) / Bits;
    constexpr std::size_t radix = std::size_t{1} << Bits;
    constexpr std::uint64_t mask = radix - 1;
    std::size_t* const start = counters;
    std::fill(start, start + kRadixCounters<Bits>, std::size_t{0});
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t key = keyOf(values[i]);
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
            const std::size_t to = first[(keyOf(values[i]) >> shift) & mask]++;
            scratch[to] = values[i];
        }
        std::swap(values, scratch);
    }
}

} // namespace engine
