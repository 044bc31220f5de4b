#include "quant/key_sort.h"

void CKeySort::Reserve(std::size_t count) {
    if (!m_counters) {
        m_small.reserve(kRadixFrom);
        m_counters.reset(new std::size_t[engine::kRadixCounters<kDigitBits>]);
    }
    if (count <= m_capacity)
        return;
    if (count > SIZE_MAX / sizeof(ColorEntry))
        throw std::bad_alloc();
    // Raw memory: only the entries a range uses are ever touched, when they are written.
    m_scratch.reset(static_cast<ColorEntry*>(::operator new(count * sizeof(ColorEntry))));
    m_capacity = count;
}
