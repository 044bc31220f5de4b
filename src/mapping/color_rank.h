// The distinct colours of a picture, numbered in ascending order: a bit for each of the
// 16777216 colours that occur and a running count per 64 colours, so a colour's number is found
// in constant time. Lets a method compute once per distinct colour and look the result up per
// pixel.
#pragma once

#include "mapping/pixel_rows.h"

#include <bit>
#include <cstdint>
#include <memory>
#include <new>

class CColorRank {
public:
    static constexpr std::size_t kWords = (std::size_t{1} << 24) / 64;

    // Marks the colours of a width x height picture, leaving out pixels equal to `skip`. False
    // without memory (3 MB and a row).
    [[nodiscard]] bool Build(const PixelRows& pixels, int width, int height, std::uint32_t skip) {
        m_bits.reset(new (std::nothrow) std::uint64_t[kWords]());
        m_before.reset(new (std::nothrow) std::uint32_t[kWords]);
        std::unique_ptr<std::uint32_t[]> scratch(
            new (std::nothrow) std::uint32_t[static_cast<std::size_t>(width)]);
        if (!m_bits || !m_before || !scratch)
            return false;
        for (int y = 0; y < height; ++y) {
            const std::uint32_t* row = pixels.Row(y, width, scratch.get());
            for (int x = 0; x < width; ++x) {
                if (row[x] == skip)
                    continue;
                const std::uint32_t c = row[x] & 0xFFFFFF;
                m_bits[c >> 6] |= std::uint64_t{1} << (c & 63);
            }
        }
        std::uint32_t total = 0;
        for (std::size_t w = 0; w < kWords; ++w) {
            m_before[w] = total;
            total += static_cast<std::uint32_t>(std::popcount(m_bits[w]));
        }
        m_count = total;
        return true;
    }

    std::uint32_t Count() const { return m_count; }

    // The number of a colour that occurs (its 24 bits).
    std::uint32_t Rank(std::uint32_t color) const {
        const std::uint32_t c = color & 0xFFFFFF;
        const std::uint64_t below = m_bits[c >> 6] & ((std::uint64_t{1} << (c & 63)) - 1);
        return m_before[c >> 6] + static_cast<std::uint32_t>(std::popcount(below));
    }

    std::uint64_t Word(std::size_t w) const { return m_bits[w]; }

private:
    std::unique_ptr<std::uint64_t[]> m_bits;
    std::unique_ptr<std::uint32_t[]> m_before;
    std::uint32_t m_count = 0;
};
