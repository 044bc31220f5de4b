#include "mapping/color_space.h"

#include <algorithm>
#include <cmath>

namespace {

// Full scale: 255 levels of 16384 units.
constexpr double kScale = 4177920.0;

// Output precision: levels per channel (red, green, blue) for "Web", "332", ... "888".
constexpr int kLevelCounts[9][3] = {{6, 6, 6},    {8, 8, 4},       {8, 8, 8},
                                    {16, 16, 16}, {32, 32, 32},    {32, 64, 32},
                                    {64, 64, 64}, {128, 128, 128}, {256, 256, 256}};

using Matrix = double[4]; // row-major m00, m01, m10, m11

// Stretches the chroma plane by s along the normalised direction (a, -b).
bool WeightMatrix(double s, double a0, double b0, double sumOfSquares, Matrix& out) {
    const double length = std::sqrt(sumOfSquares);
    if (length == 0)
        return false;
    const double a = a0 / length;
    const double b = b0 / length;
    out[0] = 1 + (s - 1) * (a * a);
    out[1] = ((1 - s) * a) * b;
    out[2] = out[1];
    out[3] = 1 + (s - 1) * (b * b);
    return true;
}

// m := x * m
void MultiplyLeft(const Matrix& x, Matrix& m) {
    const double m00 = x[0] * m[0] + x[1] * m[2];
    const double m01 = x[0] * m[1] + x[1] * m[3];
    const double m10 = x[2] * m[0] + x[3] * m[2];
    const double m11 = x[2] * m[1] + x[3] * m[3];
    m[0] = m00;
    m[1] = m01;
    m[2] = m10;
    m[3] = m11;
}

void FillLevels(int count, int* levels) {
    for (int i = 0; i < count; ++i)
        levels[i] = std::min(255, static_cast<int>(std::floor(i * 256.0 / (count - 1))));
}

std::int32_t RoundToUnits(double v) {
    return static_cast<std::int32_t>(std::floor(v * kScale + 0.5));
}

int InverseTone(double v) {
    if (v > 1)
        v = 1;
    if (v < 0)
        v = 0;
    // The shadow piece of the tone curve meets the power piece at 30/255.
    const double linear = v < 0.05402696305877764 ? std::pow(v * 6.997232362499507, 2.2)
                                                  : std::pow(v, 0.7333333333333334);
    const double level = std::floor(linear * 255 + 0.5);
    return static_cast<int>(std::clamp(level, 0.0, 255.0));
}

} // namespace

void CColorSpace::Init(int weightYB, int weightCR, int weightGM, int outPrecision) {
    for (int i = 0; i < 256; ++i) {
        const double x = i * 0.00392156862745098;
        m_tone[i] = x < 0.11764705882352941 ? 0.14291364759577405 * std::pow(x, 0.45454545454545453)
                                            : std::pow(x, 1.3636363636363635);
    }

    // Yellow-blue, cyan-red and green-magenta directions; V1 acts first on a chroma vector.
    Matrix v1, v2, v3;
    const bool ok = WeightMatrix(weightYB * 0.01, 0.5, 0.0816, 0.25665856, v1) &&
                    WeightMatrix(weightCR * 0.01, -0.1687, -0.5, 0.27845969, v2) &&
                    WeightMatrix(weightGM * 0.01, 0.3312, -0.4183, 0.28466833, v3);
    double det = 0;
    if (ok) {
        std::copy(v1, v1 + 4, m_forward);
        MultiplyLeft(v2, m_forward);
        MultiplyLeft(v3, m_forward);
        det = m_forward[3] * m_forward[0] - m_forward[2] * m_forward[1];
    }
    if (det == 0) {
        const Matrix identity = {1, 0, 0, 1};
        std::copy(identity, identity + 4, m_forward);
        std::copy(identity, identity + 4, m_inverse);
    } else {
        m_inverse[0] = m_forward[3] / det;
        m_inverse[1] = -m_forward[1] / det;
        m_inverse[2] = -m_forward[2] / det;
        m_inverse[3] = m_forward[0] / det;
    }

    const bool known = outPrecision >= 0 && outPrecision <= 8;
    const int* counts = kLevelCounts[known ? outPrecision : 8];
    m_redCount = counts[0];
    m_greenCount = counts[1];
    m_blueCount = counts[2];
    FillLevels(m_redCount, m_redLevels);
    FillLevels(m_greenCount, m_greenLevels);
    FillLevels(m_blueCount, m_blueLevels);
}

void CColorSpace::RgbToSpace(SpacePoint& out, std::uint32_t color) const {
    const double r = m_tone[(color >> 16) & 255];
    const double g = m_tone[(color >> 8) & 255];
    const double b = m_tone[color & 255];
    const double y = 0.1145 * b + 0.2989 * r + 0.5866 * g;
    const double p = 0.4 * b - (0.265 * g + 0.135 * r);
    const double q = 0.4 * r - 0.3346 * g - 0.0653 * b;
    const double pw = m_forward[0] * p + m_forward[1] * q;
    const double qw = m_forward[2] * p + m_forward[3] * q;
    out.luma = RoundToUnits(y);
    out.yb = RoundToUnits(pw);
    out.cr = RoundToUnits(qw);
}

std::uint32_t CColorSpace::SpaceToRgb(int yb, int cr, int luma) const {
    const double y = yb, c = cr, l = luma;
    const double p = m_inverse[0] * y + m_inverse[1] * c;
    const double q = m_inverse[2] * y + m_inverse[3] * c;
    const double k = 2.393535539215686e-07;
    const double r =
        (1.7528659800326483 * q - 4.4452970991771824e-05 * p + 0.9998247134019967 * l) * k;
    const double g = (1.0000893144198046 * l - 0.89314419804726 * q - 0.4320813565838843 * p) * k;
    const double b =
        (2.213731098385467 * p + 1.0000000115762946 * l - 0.00011576294529099052 * q) * k;
    return (std::uint32_t(InverseTone(r)) << 16) | (std::uint32_t(InverseTone(g)) << 8) |
           std::uint32_t(InverseTone(b));
}

double CColorSpace::Distance2(const SpacePoint& a, const SpacePoint& b) {
    return Distance2To(a, b.yb, b.cr, b.luma);
}

double CColorSpace::Distance2To(const SpacePoint& a, int yb, int cr, int luma) {
    const double dyb = a.yb - yb;
    const double dcr = a.cr - cr;
    const double dluma = a.luma - luma;
    return dyb * dyb + dcr * dcr + dluma * dluma;
}

int CColorSpace::PickLevel(const int* levels, int count, int value, int up) {
    if (up == 0) {
        int best = 0;
        for (int i = 0; i < count; ++i)
            if (levels[i] <= value)
                best = levels[i];
        return best;
    }
    int best = 255;
    for (int i = count - 1; i >= 0; --i)
        if (levels[i] >= value)
            best = levels[i];
    return best;
}

std::uint32_t CColorSpace::SnapToGrid(std::uint32_t color) const {
    const int r = (color >> 16) & 255, g = (color >> 8) & 255, b = color & 255;
    SpacePoint p;
    RgbToSpace(p, color);
    std::uint32_t best = 0;
    double bestDistance = 0;
    bool first = true;
    for (int fr = 0; fr < 2; ++fr) {
        for (int fg = 0; fg < 2; ++fg) {
            for (int fb = 0; fb < 2; ++fb) {
                const std::uint32_t candidate =
                    (std::uint32_t(PickLevel(m_redLevels, m_redCount, r, fr)) << 16) |
                    (std::uint32_t(PickLevel(m_greenLevels, m_greenCount, g, fg)) << 8) |
                    std::uint32_t(PickLevel(m_blueLevels, m_blueCount, b, fb));
                SpacePoint q;
                RgbToSpace(q, candidate);
                const double d = Distance2(p, q);
                // Ties keep the earliest candidate in loop order (all levels down first).
                if (first || d < bestDistance) {
                    best = candidate;
                    bestDistance = d;
                    first = false;
                }
            }
        }
    }
    return best;
}
