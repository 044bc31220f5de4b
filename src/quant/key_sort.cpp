#include "quant/key_sort.h"

#include "quant/radix_sort.h"

#include <algorithm>

namespace {

// Below this many entries the comparison sort is as quick.
constexpr int kRadixFrom = 2048;

constexpr int kDigitBits = 11;

// A pattern that orders as the key does: negative keys have every bit flipped, the others
// only the sign. Zero of either sign becomes the same pattern, as `<` sees them equal.
std::uint64_t OrderOf(std::uint64_t bits) {
    if ((bits << 1) == 0)
        bits = 0; // -0 becomes +0
    return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
}

} // namespace

void CKeySort::Reserve(std::size_t count) {
    if (!m_counters) {
        m_small.reserve(kRadixFrom);
        m_counters.reset(new std::size_t[engine::kRadixCounters<kDigitBits>]);
    }
    if (count <= m_capacity)
        return;
    // Default-initialised: only the entries a range uses are ever touched.
    m_keys.reset(new std::uint64_t[count]);
    m_keyScratch.reset(new std::uint64_t[count]);
    m_pointerScratch.reset(new ColorEntry*[count]);
    m_capacity = count;
}

void CKeySort::CompareSort(ColorEntry** pointers, int count) {
    // Sorting the keys beside their pointers keeps the comparisons in one contiguous array.
    m_small.clear();
    for (int i = 0; i < count; ++i)
        m_small.emplace_back(std::bit_cast<double>(m_keys[i]), pointers[i]);
    std::stable_sort(m_small.begin(), m_small.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (int i = 0; i < count; ++i)
        pointers[i] = m_small[std::size_t(i)].second;
}

void CKeySort::Sort(ColorEntry** pointers, int count) {
    if (count < kRadixFrom)
        return CompareSort(pointers, count);
    const std::size_t n = static_cast<std::size_t>(count);
    for (std::size_t i = 0; i < n; ++i)
        m_keys[i] = OrderOf(m_keys[i]);
    std::uint64_t* keys = m_keys.get();
    std::uint64_t* keyScratch = m_keyScratch.get();
    ColorEntry** values = pointers;
    ColorEntry** valueScratch = m_pointerScratch.get();
    engine::RadixSortPairs<kDigitBits>(keys, keyScratch, values, valueScratch, n, m_counters.get());
    if (values != pointers)
        std::copy(values, values + n, pointers);
}
