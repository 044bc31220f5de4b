#include "export/color_difference.h"

#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;

// Linear light of each 8-bit sRGB level.
const std::array<double, 256>& LinearLevels() {
    static const std::array<double, 256> levels = [] {
        std::array<double, 256> t{};
        for (int v = 0; v < 256; ++v) {
            const double c = v / 255.0;
            t[v] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
        return t;
    }();
    return levels;
}

// The CIELAB companding function of a ratio to the white point.
double LabF(double t) {
    constexpr double delta = 6.0 / 29.0;
    return t > delta * delta * delta ? std::cbrt(t) : t / (3 * delta * delta) + 4.0 / 29.0;
}

double Degrees(double radians) {
    return radians * 180.0 / kPi;
}
double Radians(double degrees) {
    return degrees * kPi / 180.0;
}

// Hue angle in degrees, 0..360; 0 for a colour without chroma.
double Hue(double a, double b) {
    if (a == 0 && b == 0)
        return 0;
    const double h = Degrees(std::atan2(b, a));
    return h < 0 ? h + 360 : h;
}

double Pow7(double x) {
    const double x2 = x * x;
    return x2 * x2 * x2 * x;
}

} // namespace

LabColor SrgbToLab(std::uint32_t rgb) {
    const auto& lin = LinearLevels();
    const double r = lin[(rgb >> 16) & 0xFF], g = lin[(rgb >> 8) & 0xFF], b = lin[rgb & 0xFF];
    // The sRGB primaries and the D65 white point (x 0.3127, y 0.3290) in XYZ, to seven decimals;
    // the white is the sum of each row, so neutral colours come out with a = b = 0.
    const double x = 0.4124564 * r + 0.3575761 * g + 0.1804375 * b;
    const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
    const double z = 0.0193339 * r + 0.1191920 * g + 0.9503041 * b;
    const double fx = LabF(x / 0.9504700), fy = LabF(y / 1.0000001), fz = LabF(z / 1.0888300);
    return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

double DeltaE2000(const LabColor& x, const LabColor& y) {
    const double c1 = std::hypot(x.a, x.b), c2 = std::hypot(y.a, y.b);
    const double cMean7 = Pow7((c1 + c2) / 2);
    const double pow25_7 = 6103515625.0; // 25^7
    const double g = 0.5 * (1 - std::sqrt(cMean7 / (cMean7 + pow25_7)));
    const double a1 = (1 + g) * x.a, a2 = (1 + g) * y.a;
    const double c1p = std::hypot(a1, x.b), c2p = std::hypot(a2, y.b);
    const double h1 = Hue(a1, x.b), h2 = Hue(a2, y.b);

    const double dL = y.L - x.L;
    const double dC = c2p - c1p;
    double dh = 0;
    if (c1p * c2p != 0) {
        dh = h2 - h1;
        if (dh > 180)
            dh -= 360;
        else if (dh < -180)
            dh += 360;
    }
    const double dH = 2 * std::sqrt(c1p * c2p) * std::sin(Radians(dh / 2));

    const double lMean = (x.L + y.L) / 2;
    const double cMeanP = (c1p + c2p) / 2;
    double hMean = h1 + h2;
    if (c1p * c2p != 0) {
        if (std::fabs(h1 - h2) <= 180)
            hMean = (h1 + h2) / 2;
        else if (h1 + h2 < 360)
            hMean = (h1 + h2 + 360) / 2;
        else
            hMean = (h1 + h2 - 360) / 2;
    }
    const double t = 1 - 0.17 * std::cos(Radians(hMean - 30)) +
                     0.24 * std::cos(Radians(2 * hMean)) + 0.32 * std::cos(Radians(3 * hMean + 6)) -
                     0.20 * std::cos(Radians(4 * hMean - 63));
    const double dTheta = 30 * std::exp(-std::pow((hMean - 275) / 25, 2));
    const double cMeanP7 = Pow7(cMeanP);
    const double rc = 2 * std::sqrt(cMeanP7 / (cMeanP7 + pow25_7));
    const double l50 = (lMean - 50) * (lMean - 50);
    const double sl = 1 + 0.015 * l50 / std::sqrt(20 + l50);
    const double sc = 1 + 0.045 * cMeanP;
    const double sh = 1 + 0.015 * cMeanP * t;
    const double rt = -std::sin(Radians(2 * dTheta)) * rc;
    const double tl = dL / sl, tc = dC / sc, th = dH / sh;
    return std::sqrt(tl * tl + tc * tc + th * th + rt * tc * th);
}
