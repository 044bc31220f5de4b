// An independent model of the weighted colour space for the tests, written from the formulas
// in long double so that it shares no code and no rounding with the engine.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace testref {

struct Point {
    long long yb, cr, luma;
};

inline long double Tone(int level) {
    const long double x = level / 255.0L;
    if (x < 30 / 255.0L)
        return 0.14291364759577405L * std::pow(x, 1 / 2.2L);
    return std::pow(x, 15 / 11.0L);
}

class Space {
public:
    Space(int weightYB, int weightCR, int weightGM) {
        const long double dirs[3][3] = {{0.5L, 0.0816L, 0.25665856L},
                                        {-0.1687L, -0.5L, 0.27845969L},
                                        {0.3312L, -0.4183L, 0.28466833L}};
        const int weights[3] = {weightYB, weightCR, weightGM};
        long double f[2][2] = {{1, 0}, {0, 1}};
        for (int i = 0; i < 3; ++i) {
            const long double s = weights[i] / 100.0L;
            const long double len = std::sqrt(dirs[i][2]);
            const long double a = dirs[i][0] / len, b = dirs[i][1] / len;
            const long double v[2][2] = {{1 + (s - 1) * a * a, (1 - s) * a * b},
                                         {(1 - s) * a * b, 1 + (s - 1) * b * b}};
            long double g[2][2];
            for (int r = 0; r < 2; ++r)
                for (int c = 0; c < 2; ++c)
                    g[r][c] = v[r][0] * f[0][c] + v[r][1] * f[1][c];
            for (int r = 0; r < 2; ++r)
                for (int c = 0; c < 2; ++c)
                    f[r][c] = g[r][c];
        }
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 2; ++c)
                m[r][c] = f[r][c];
    }

    Point ToSpace(std::uint32_t color) const {
        const long double r = Tone((color >> 16) & 255), g = Tone((color >> 8) & 255),
                          b = Tone(color & 255);
        const long double y = 0.1145L * b + 0.2989L * r + 0.5866L * g;
        const long double p = 0.4L * b - 0.265L * g - 0.135L * r;
        const long double q = 0.4L * r - 0.3346L * g - 0.0653L * b;
        return {Units(m[0][0] * p + m[0][1] * q), Units(m[1][0] * p + m[1][1] * q), Units(y)};
    }

    // Back from a point: the inverse of the chroma weighting, the inverse of the 3 x 3
    // conversion solved directly, then the inverse tone curve.
    std::uint32_t ToRgb(long long yb, long long cr, long long luma) const {
        const long double det = m[0][0] * m[1][1] - m[0][1] * m[1][0];
        const long double pw = yb / 4177920.0L, qw = cr / 4177920.0L, y = luma / 4177920.0L;
        const long double p = (m[1][1] * pw - m[0][1] * qw) / det;
        const long double q = (-m[1][0] * pw + m[0][0] * qw) / det;
        // Solve y, p, q for r, g, b by Cramer's rule.
        const long double a[3][3] = {
            {0.2989L, 0.5866L, 0.1145L}, {-0.135L, -0.265L, 0.4L}, {0.4L, -0.3346L, -0.0653L}};
        const long double rhs[3] = {y, p, q};
        auto det3 = [](const long double x[3][3]) {
            return x[0][0] * (x[1][1] * x[2][2] - x[1][2] * x[2][1]) -
                   x[0][1] * (x[1][0] * x[2][2] - x[1][2] * x[2][0]) +
                   x[0][2] * (x[1][0] * x[2][1] - x[1][1] * x[2][0]);
        };
        const long double d = det3(a);
        std::uint32_t out = 0;
        for (int ch = 0; ch < 3; ++ch) {
            long double t[3][3];
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c)
                    t[r][c] = c == ch ? rhs[r] : a[r][c];
            long double v = std::clamp(det3(t) / d, 0.0L, 1.0L);
            v = v < 0.05402696305877764L ? std::pow(v * 6.997232362499507L, 2.2L)
                                         : std::pow(v, 11 / 15.0L);
            const long long level = std::llround(std::floor(v * 255 + 0.5L));
            out = out << 8 | std::uint32_t(std::clamp(level, 0LL, 255LL));
        }
        return out;
    }

    static long double Distance2(const Point& a, const Point& b) {
        const long double d0 = a.yb - b.yb, d1 = a.cr - b.cr, d2 = a.luma - b.luma;
        return d0 * d0 + d1 * d1 + d2 * d2;
    }

private:
    static long long Units(long double v) { return std::llround(std::floor(v * 4177920 + 0.5L)); }
    long double m[2][2];
};

} // namespace testref
