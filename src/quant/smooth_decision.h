// Whether a pixel lies in smooth surroundings, from the spreads of its three channels' gradient
// responses (each the summed distances from the pixel's response pair to its eight
// neighbours'): 255 - sqrt(blue² + green² + red²) / 8, clamped to a byte and truncated, is at
// least 160.
#pragma once

#include <cmath>

// The rule as it is defined, in double precision.
inline bool SmoothExact(double blue, double green, double red) {
    const double spread = std::sqrt(blue * blue + green * green + red * red);
    double v = 255 - spread / 8;
    v = v < 0 ? 0 : (v > 255 ? 255 : v);
    return static_cast<int>(v) >= 160;
}

// The same decision from spreads summed in single precision, which the row loops compute eight
// at a time: 1 smooth, 0 not, -1 where the combined spread lies so near the threshold (760) that
// the caller must work it out with SmoothExact. A single-precision spread is eight square roots
// of whole numbers up to 2 x 255², each within 2^-24 of its value relatively, summed in seven
// additions of at most 2886: within 0.002 of the double one. Near the threshold the squares'
// sum is then within 7 of the double one, far inside the band of 759² .. 761² (3040 wide).
inline int SmoothInSingle(float blue, float green, float red) {
    const float squared = blue * blue + green * green + red * red;
    // Without branches, so that rows of pixels are decided eight at a time.
    const int below = squared < 759.0f * 759.0f;
    const int above = squared > 761.0f * 761.0f;
    return below - (1 - below - above);
}
