#include "tests/quant/model/model_space.h"

#include <cmath>

namespace model {

namespace {

const double kScale = 4177920.0;

int RoundHalfUp(double v) {
    return static_cast<int>(std::floor(v + 0.5));
}

// The symmetric stretch by s along one chroma direction.
void Stretch(double s, double a0, double b0, double sum, double m[4]) {
    const double len = std::sqrt(sum);
    const double a = a0 / len;
    const double b = b0 / len;
    m[0] = 1 + (s - 1) * (a * a);
    m[1] = ((1 - s) * a) * b;
    m[2] = m[1];
    m[3] = 1 + (s - 1) * (b * b);
}

// out = x * y for row-major 2x2 matrices.
void Multiply(const double x[4], const double y[4], double out[4]) {
    const double r[4] = {x[0] * y[0] + x[1] * y[2], x[0] * y[1] + x[1] * y[3],
                         x[2] * y[0] + x[3] * y[2], x[2] * y[1] + x[3] * y[3]};
    for (int i = 0; i < 4; ++i)
        out[i] = r[i];
}

int PickLevel(const int* table, int count, int value, int up) {
    if (up == 0) {
        int best = 0;
        for (int i = 0; i < count; ++i)
            if (table[i] <= value && table[i] > best)
                best = table[i];
        return best;
    }
    int best = 255;
    for (int i = 0; i < count; ++i)
        if (table[i] >= value && table[i] < best)
            best = table[i];
    return best;
}

double InverseTone(double v) {
    if (v > 1)
        v = 1;
    if (v < 0)
        v = 0;
    const double lin = v < 0.05402696305877764 ? std::pow(v * 6.997232362499507, 2.2)
                                               : std::pow(v, 0.7333333333333334);
    return lin * 255;
}

int ToByte(double v) {
    const int c = RoundHalfUp(v);
    return c < 0 ? 0 : (c > 255 ? 255 : c);
}

} // namespace

Space::Space(int weightYB, int weightCR, int weightGM, int outPrecision) {
    for (int i = 0; i < 256; ++i) {
        const double x = i * 0.00392156862745098;
        m_tone[i] = x < 0.11764705882352941 ? 0.14291364759577405 * std::pow(x, 0.45454545454545453)
                                            : std::pow(x, 1.3636363636363635);
    }
    double v[4];
    Stretch(weightYB * 0.01, 0.5, 0.0816, 0.25665856, m_fwd);
    Stretch(weightCR * 0.01, -0.1687, -0.5, 0.27845969, v);
    Multiply(v, m_fwd, m_fwd);
    Stretch(weightGM * 0.01, 0.3312, -0.4183, 0.28466833, v);
    Multiply(v, m_fwd, m_fwd);
    const double det = m_fwd[3] * m_fwd[0] - m_fwd[2] * m_fwd[1];
    if (det == 0) {
        m_fwd[0] = m_fwd[3] = m_inv[0] = m_inv[3] = 1;
        m_fwd[1] = m_fwd[2] = m_inv[1] = m_inv[2] = 0;
    } else {
        m_inv[0] = m_fwd[3] / det;
        m_inv[1] = -m_fwd[1] / det;
        m_inv[2] = -m_fwd[2] / det;
        m_inv[3] = m_fwd[0] / det;
    }
    static const int kLevels[9][3] = {{6, 6, 6},    {8, 8, 4},       {8, 8, 8},
                                      {16, 16, 16}, {32, 32, 32},    {32, 64, 32},
                                      {64, 64, 64}, {128, 128, 128}, {256, 256, 256}};
    for (int ch = 0; ch < 3; ++ch) {
        const int n = (outPrecision >= 0 && outPrecision <= 8) ? kLevels[outPrecision][ch] : 256;
        m_levelCount[ch] = n;
        for (int i = 0; i < n; ++i) {
            const double level = std::floor(i * 256.0 / (n - 1));
            m_levels[ch][i] = level > 255 ? 255 : static_cast<int>(level);
        }
    }
}

Point Space::ToSpace(std::uint32_t c) const {
    const double R = m_tone[(c >> 16) & 255];
    const double G = m_tone[(c >> 8) & 255];
    const double B = m_tone[c & 255];
    const double Y = 0.1145 * B + 0.2989 * R + 0.5866 * G;
    const double P = 0.4 * B - (0.265 * G + 0.135 * R);
    const double Q = 0.4 * R - 0.3346 * G - 0.0653 * B;
    const double P2 = m_fwd[0] * P + m_fwd[1] * Q;
    const double Q2 = m_fwd[2] * P + m_fwd[3] * Q;
    Point p;
    p.luma = RoundHalfUp(Y * kScale);
    p.yb = RoundHalfUp(P2 * kScale);
    p.cr = RoundHalfUp(Q2 * kScale);
    return p;
}

std::uint32_t Space::ToRgb(int yb, int cr, int luma) const {
    const double y = yb, c = cr, l = luma;
    const double P = m_inv[0] * y + m_inv[1] * c;
    const double Q = m_inv[2] * y + m_inv[3] * c;
    const double k = 2.393535539215686e-07;
    const double r =
        (1.7528659800326483 * Q - 4.4452970991771824e-05 * P + 0.9998247134019967 * l) * k;
    const double g = (1.0000893144198046 * l - 0.89314419804726 * Q - 0.4320813565838843 * P) * k;
    const double b =
        (2.213731098385467 * P + 1.0000000115762946 * l - 0.00011576294529099052 * Q) * k;
    const int R = ToByte(InverseTone(r)), G = ToByte(InverseTone(g)), B = ToByte(InverseTone(b));
    return static_cast<std::uint32_t>((R << 16) | (G << 8) | B);
}

std::uint32_t Space::Snap(std::uint32_t c) const {
    const int r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
    const Point p = ToSpace(c);
    std::uint32_t best = 0;
    double bestD = 0;
    bool first = true;
    for (int fr = 0; fr < 2; ++fr)
        for (int fg = 0; fg < 2; ++fg)
            for (int fb = 0; fb < 2; ++fb) {
                const std::uint32_t cand = static_cast<std::uint32_t>(
                    (PickLevel(m_levels[0], m_levelCount[0], r, fr) << 16) |
                    (PickLevel(m_levels[1], m_levelCount[1], g, fg) << 8) |
                    PickLevel(m_levels[2], m_levelCount[2], b, fb));
                const double d = Distance2(p, ToSpace(cand));
                if (first || d < bestD) {
                    best = cand;
                    bestD = d;
                    first = false;
                }
            }
    return best;
}

double Distance2(const Point& a, const Point& b) {
    const double dy = static_cast<double>(a.yb - b.yb);
    const double dc = static_cast<double>(a.cr - b.cr);
    const double dl = static_cast<double>(a.luma - b.luma);
    return dy * dy + dc * dc + dl * dl;
}

} // namespace model
