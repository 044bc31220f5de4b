// Stable least-significant-digit radix sort, shared by the histogram's colour keys and the box
// division's projection keys.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <utility>

namespace engine {

// Sorts items[0 .. count - 1] ascending by the lowest `digits` digits of Bits bits of
// key(item), an unsigned integer; items of equal key keep their order. `scratch` has room for
// `count` items; the two buffers may trade places. A digit that every key shares is skipped.
template <int Bits, class T, class Key>
void RadixSort(std::unique_ptr<T[]>& items, std::unique_ptr<T[]>& scratch, std::size_t count,
               int digits, Key key) {
    constexpr std::uint64_t mask = (std::uint64_t{1} << Bits) - 1;
    std::size_t start[std::size_t{1} << Bits];
    for (int d = 0; d < digits; ++d) {
        const int shift = d * Bits;
        std::fill(std::begin(start), std::end(start), 0);
        for (std::size_t i = 0; i < count; ++i)
            ++start[(static_cast<std::uint64_t>(key(items[i])) >> shift) & mask];
        if (std::find(std::begin(start), std::end(start), count) != std::end(start))
            continue;
        std::size_t next = 0;
        for (std::size_t& c : start)
            next += std::exchange(c, next);
        for (std::size_t i = 0; i < count; ++i)
            scratch[start[(static_cast<std::uint64_t>(key(items[i])) >> shift) & mask]++] =
                items[i];
        items.swap(scratch);
    }
}

} // namespace engine
