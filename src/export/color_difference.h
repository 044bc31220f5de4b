// Colour difference as people see it: sRGB colours in CIELAB (IEC 61966-2-1 transfer function,
// XYZ with the D65 white point) and the CIEDE2000 difference between two CIELAB colours.
#pragma once

#include <cstdint>

struct LabColor {
    double L = 0;
    double a = 0;
    double b = 0;
};

// The CIELAB value of a 0x00RRGGBB colour (bits 24..31 ignored).
[[nodiscard]] LabColor SrgbToLab(std::uint32_t rgb);

// CIEDE2000 with the parametric factors kL = kC = kH = 1.
[[nodiscard]] double DeltaE2000(const LabColor& x, const LabColor& y);
