// A second, deliberately plain implementation of the weighted colour space, written from the
// program's written rules only. The model quantizer and the comparison test use it to check the
// engine; nothing of the engine is included here.
#pragma once

#include <cstdint>

namespace model {

struct Point {
    int yb = 0;
    int cr = 0;
    int luma = 0;
};

class Space {
public:
    // Weights in percent, output precision 0..8 (anything else: 256 levels).
    Space(int weightYB, int weightCR, int weightGM, int outPrecision);

    Point ToSpace(std::uint32_t rgb) const;
    std::uint32_t ToRgb(int yb, int cr, int luma) const;
    std::uint32_t Snap(std::uint32_t rgb) const;

private:
    double m_tone[256];
    double m_fwd[4];
    double m_inv[4];
    int m_levels[3][256]; // red, green, blue
    int m_levelCount[3];
};

// Squared distance: 32-bit differences, then doubles, summed yb, cr, luma.
double Distance2(const Point& a, const Point& b);

} // namespace model
