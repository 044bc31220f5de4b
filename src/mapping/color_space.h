// The weighted, perceptually shaped colour space in which the quantizer compares colours:
// one luminance axis and two chroma axes stretched by the user's three axis weights, 16384 units
// per 8-bit level. Init once per run; everything else only reads what Init wrote.
#pragma once

#include <cstdint>

struct SpacePoint {
    std::int32_t yb;   // yellow-blue chroma, after weighting
    std::int32_t cr;   // cyan-red chroma, after weighting
    std::int32_t luma; // luminance, 0..4177920
};

class CColorSpace {
public:
    virtual ~CColorSpace() = default;

    // Weights in percent (35..135, 55..155, 75..175); outPrecision 0..8 ("Web" .. "888").
    void Init(int weightYB, int weightCR, int weightGM, int outPrecision);

    void RgbToSpace(SpacePoint& out, std::uint32_t color) const; // bits 24..31 ignored
    std::uint32_t SpaceToRgb(int yb, int cr, int luma) const;    // channels clamped to 0..255
    static double Distance2(const SpacePoint& a, const SpacePoint& b);
    static double Distance2To(const SpacePoint& a, int yb, int cr, int luma);
    // Down (up = 0): the largest level <= value, else 0. Up (up = 1): the smallest level >=
    // value, else 255.
    static int PickLevel(const int* levels, int count, int value, int up);
    std::uint32_t SnapToGrid(std::uint32_t color) const; // nearest colour of the output grid

private:
    double m_forward[4] = {1, 0, 0, 1};
    double m_inverse[4] = {1, 0, 0, 1};
    int m_redLevels[256] = {};
    int m_redCount = 0;
    int m_greenLevels[256] = {};
    int m_greenCount = 0;
    int m_blueLevels[256] = {};
    int m_blueCount = 0;
    double m_tone[256] = {};
};
