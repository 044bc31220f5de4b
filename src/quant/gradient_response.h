// The response of one Sobel sum g of a 3 x 3 neighbourhood whose values span `range` (at least
// 8): 128 - 64 g / range, clamped to a byte and truncated. |g| <= 4 x range.
#pragma once

#include <cstdint>

// The formula as it is defined, in double precision.
inline std::uint8_t GradientResponse(int g, int range) {
    double r = 128.0 - 64.0 * g / range;
    r = r < 0 ? 0 : (r > 255 ? 255 : r);
    return static_cast<std::uint8_t>(static_cast<int>(r));
}

// The same value in single precision, which the per-pixel loops compute eight at a time. The
// quotient 64 g / range is either a whole number, which both precisions give exactly, or at least
// 1 / range away from one, far more than the rounding of either: its truncation is the same.
// Truncating before clamping gives what clamping first gives, for the result lies in -513..513.
// The tests compare both over every g and range the picture can give.
inline std::uint8_t GradientResponseFast(int g, int range) {
    const int r = static_cast<int>(128.0f - static_cast<float>(64 * g) / static_cast<float>(range));
    return static_cast<std::uint8_t>(r < 0 ? 0 : (r > 255 ? 255 : r));
}
