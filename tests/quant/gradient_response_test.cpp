#include "quant/gradient_response.h"

#include <gtest/gtest.h>

TEST(GradientResponse, FormulaValues) {
    struct Case {
        int g, range, expected;
    } cases[] = {
        {0, 8, 128},     // flat
        {1, 8, 120},     // 128 - 8
        {3, 255, 127},   // 128 - 0.75..., truncated
        {-3, 255, 128},  // 128.75... truncated
        {2, 8, 112},     // whole quotient
        {32, 8, 0},      // 128 - 256, clamped
        {-32, 8, 255},   // 128 + 256, clamped
        {-510, 255, 255} // 128 + 128
    };
    for (const Case& c : cases) // the fast form is held to this one below
        EXPECT_EQ(GradientResponse(c.g, c.range), c.expected) << c.g << " / " << c.range;
}

// The single-precision form is used in place of the formula: it must agree on every input.
TEST(GradientResponse, FastFormAgreesEverywhere) {
    int mismatches = 0;
    for (int range = 8; range < 256; ++range)
        for (int g = -4 * range; g <= 4 * range; ++g)
            mismatches += GradientResponse(g, range) != GradientResponseFast(g, range);
    EXPECT_EQ(mismatches, 0);
}
