// An independent model of the weighted colour space for the tests, written from the formulas in
// long double so that it shares no code and no rounding with the engine.
#pragma once

#include <cmath>
#include <cstdint>

namespace testref {

struct Point {
    long long yb, cr, luma;
};

inline long double Tone(int level) {
    const long double x = level / 255.0L;
    return x < 30 / 255.0L ? 0.14291364759577405L * std::pow(x, 1 / 2.2L) : std::pow(x, 15 / 11.0L);
}

class Space {
public:
    Space(int weightYB, int weightCR, int weightGM) {
        const long double dirs[3][3] = {{0.5L, 0.0816L, 0.25665856L},
                                        {-0.1687L, -0.5L, 0.27845969L},
                                        {0.3312L, -0.4183L, 0.28466833L}};
        const int weights[3] = {weightYB, weightCR, weightGM};
        for (int i = 0; i < 3; ++i) { // m := V_i m
            const long double s = weights[i] / 100.0L, len = std::sqrt(dirs[i][2]);
            const long double a = dirs[i][0] / len, b = dirs[i][1] / len;
            const long double v[2][2] = {{1 + (s - 1) * a * a, (1 - s) * a * b},
                                         {(1 - s) * a * b, 1 + (s - 1) * b * b}};
            const long double g[2][2] = {
                {v[0][0] * m[0][0] + v[0][1] * m[1][0], v[0][0] * m[0][1] + v[0][1] * m[1][1]},
                {v[1][0] * m[0][0] + v[1][1] * m[1][0], v[1][0] * m[0][1] + v[1][1] * m[1][1]}};
            for (int r = 0; r < 2; ++r)
                for (int c = 0; c < 2; ++c)
                    m[r][c] = g[r][c];
        }
    }

    Point ToSpace(std::uint32_t color) const {
        const long double r = Tone((color >> 16) & 255), g = Tone((color >> 8) & 255),
                          b = Tone(color & 255);
        const long double p = 0.4L * b - 0.265L * g - 0.135L * r;
        const long double q = 0.4L * r - 0.3346L * g - 0.0653L * b;
        return {Units(m[0][0] * p + m[0][1] * q), Units(m[1][0] * p + m[1][1] * q),
                Units(0.1145L * b + 0.2989L * r + 0.5866L * g)};
    }

    static long double Distance2(const Point& a, const Point& b) {
        const long double d0 = a.yb - b.yb, d1 = a.cr - b.cr, d2 = a.luma - b.luma;
        return d0 * d0 + d1 * d1 + d2 * d2;
    }

private:
    static long long Units(long double v) { return std::llround(std::floor(v * 4177920 + 0.5L)); }
    long double m[2][2] = {{1, 0}, {0, 1}};
};

} // namespace testref
