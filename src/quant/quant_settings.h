// The parameters of one quantization run, read-only during the run. The engine checks them at the
// start of a run and refuses values outside their ranges.
#pragma once

// Palette refinement passes a run may ask for.
inline constexpr int kMaxRefinePasses = 16;

struct QuantSettings {
    int outPrecision = 8; // 0..8
    int weightYB = 85;    // percent
    int weightCR = 105;
    int weightGM = 125;
    int colorCount = 256;   // palette entries, fixed colours and the transparent entry included
    int ditherLevel = 7;    // 0..10 tenths of the error carried
    int add16 = 0;          // 1 reserves 16 entries for the fixed colours
    int inputMask = 0;      // low bits cleared before counting: 7, 3, 1 or 0
    int transPosition = -1; // -1 none, else the corner giving the transparent colour
    int ditherMode = 0;     // 0..4
    int refinePasses = 0;   // palette refinement passes, 0 (none) .. kMaxRefinePasses

    // Number of colours the box division must find.
    int Target() const { return colorCount - (add16 == 1 ? 16 : 0) - (transPosition >= 0 ? 1 : 0); }
};
