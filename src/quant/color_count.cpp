#include "quant/color_count.h"

#include "quant/pixel_array.h"

#include <new>
#include <vector>

int CountDistinctColors(const std::uint32_t* pixels, std::size_t count) {
    std::vector<std::uint8_t> seen;
    try {
        seen.assign(std::size_t{1} << 21, 0); // 2^24 colours, one bit each
    } catch (const std::bad_alloc&) {
        return -1;
    }
    int distinct = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t v = pixels[i] & 0xFFFFFF;
        const std::uint8_t bit = static_cast<std::uint8_t>(1u << (v & 7));
        if (!(seen[v >> 3] & bit)) {
            seen[v >> 3] |= bit;
            ++distinct;
        }
    }
    return distinct;
}

int CountDistinctColors(const DibHandle& dib) {
    CPixelArray pixels;
    pixels.SetSource(&dib);
    if (!dib || !pixels.LoadPixels())
        return -1;
    return CountDistinctColors(pixels.m_pPixels,
                               std::size_t(pixels.m_nWidth) * std::size_t(pixels.m_nHeight));
}
