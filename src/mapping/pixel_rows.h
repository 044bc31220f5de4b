// The picture a run reads, row by row or pixel by pixel, as 0x00RRGGBB colours: either one
// 32-bit value per pixel, top row first, or the rows of a 24-bit packed picture where they lie in
// its block (blue, green, red per pixel, rows in any order and padded). Reading the 24-bit rows
// in place spares a run a 4-byte copy of every pixel of the most common kind of picture.
#pragma once

#include <cstddef>
#include <cstdint>

class PixelRows {
public:
    PixelRows() = default;
    // `width` values per row, row after row, top row first.
    PixelRows(const std::uint32_t* pixels, int width)
        : m_pixels(pixels), m_step(static_cast<std::ptrdiff_t>(width)) {}
    // 24-bit rows: `top` is the first byte of the top row, `step` the distance in bytes from a
    // row to the one below it (negative for rows stored bottom-up).
    static PixelRows Bgr(const std::uint8_t* top, std::ptrdiff_t step) {
        PixelRows rows;
        rows.m_bytes = top;
        rows.m_step = step;
        return rows;
    }

    explicit operator bool() const { return m_pixels != nullptr || m_bytes != nullptr; }

    std::uint32_t At(int x, int y) const {
        if (m_pixels)
            return m_pixels[y * m_step + x];
        const std::uint8_t* p = m_bytes + y * m_step + 3 * static_cast<std::ptrdiff_t>(x);
        return std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
    }

    // Row y's `width` colours: the row itself when the pixels are held as 32-bit values, else
    // `scratch` (room for `width` values) filled with them.
    const std::uint32_t* Row(int y, int width, std::uint32_t* scratch) const {
        if (m_pixels)
            return m_pixels + y * m_step;
        const std::uint8_t* p = m_bytes + y * m_step;
        for (int x = 0; x < width; ++x, p += 3)
            scratch[x] = std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
        return scratch;
    }

private:
    const std::uint32_t* m_pixels = nullptr;
    const std::uint8_t* m_bytes = nullptr;
    std::ptrdiff_t m_step = 0; // values (32-bit) or bytes (24-bit) from a row to the next
};
