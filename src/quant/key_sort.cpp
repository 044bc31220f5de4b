#include "quant/key_sort.h"

#include "quant/radix_sort.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace {

// Below this many entries the comparison sort is as quick.
constexpr int kRadixFrom = 2048;

constexpr int kDigitBits = 11;
constexpr int kDigits = (64 + kDigitBits - 1) / kDigitBits;

struct Keyed {
    std::uint64_t order; // ascending exactly as the key
    ColorEntry* entry;
};

// A pattern that orders as the key does: negative keys have every bit flipped, the others
// only the sign. Zero of either sign becomes the same pattern, as `<` sees them equal.
std::uint64_t OrderOf(double key) {
    if (key == 0)
        key = 0; // -0 becomes +0
    std::uint64_t bits;
    std::memcpy(&bits, &key, sizeof bits);
    return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
}

void ComparisonSort(ColorEntry** pointers, int count) {
    // Sorting the keys beside their pointers keeps the comparisons in one contiguous array;
    // without room for that copy the pointers are sorted in place, to the same order.
    std::vector<std::pair<double, ColorEntry*>> keyed;
    try {
        keyed.reserve(static_cast<std::size_t>(std::max(count, 0)));
    } catch (const std::bad_alloc&) {
        std::stable_sort(pointers, pointers + count,
                         [](const ColorEntry* a, const ColorEntry* b) { return a->key < b->key; });
        return;
    }
    for (int i = 0; i < count; ++i)
        keyed.emplace_back(pointers[i]->key, pointers[i]);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (int i = 0; i < count; ++i)
        pointers[i] = keyed[i].second;
}

} // namespace

void StableSortByKey(ColorEntry** pointers, int count) {
    if (count < kRadixFrom)
        return ComparisonSort(pointers, count);
    for (int i = 0; i < count; ++i)
        if (std::isnan(pointers[i]->key))
            return ComparisonSort(pointers, count);
    const std::size_t n = static_cast<std::size_t>(count);
    std::unique_ptr<Keyed[]> from(new (std::nothrow) Keyed[n]);
    std::unique_ptr<Keyed[]> to(new (std::nothrow) Keyed[n]);
    if (!from || !to)
        return ComparisonSort(pointers, count);

    for (std::size_t i = 0; i < n; ++i)
        from[i] = {OrderOf(pointers[i]->key), pointers[i]};
    engine::RadixSort<kDigitBits>(from, to, n, kDigits, [](const Keyed& k) { return k.order; });
    for (std::size_t i = 0; i < n; ++i)
        pointers[i] = from[i].entry;
}
