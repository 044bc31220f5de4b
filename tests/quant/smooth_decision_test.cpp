#include "quant/smooth_decision.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

// Smooth means 255 - spread / 8, truncated, is at least 160: a combined spread of at most 760.
TEST(SmoothDecision, ThresholdOfTheRule) {
    struct Case {
        double blue, green, red;
        bool smooth;
    } cases[] = {
        {0, 0, 0, true},           {760, 0, 0, true}, // 255 - 95 = 160
        {0, 0, 760.001, false},                       // 159.99..., truncated to 159
        {480, 480, 320, true},                        // sqrt(563200) = 750.5
        {500, 500, 300, false},                       // sqrt(590000) = 768.1
        {2885, 2885, 2885, false},                    // clamped to 0
    };
    for (const Case& c : cases)
        EXPECT_EQ(SmoothExact(c.blue, c.green, c.red), c.smooth)
            << c.blue << " " << c.green << " " << c.red;
}

// The single-precision decision stands in for the rule: wherever it decides, it must decide as
// the rule does. Spreads of eight distances between response pairs are drawn so that their
// combination lies around the threshold, where the two could part.
TEST(SmoothDecision, SinglePrecisionNeverContradictsTheRule) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> step(-58, 58);
    int undecided = 0;
    int wrong = 0;
    for (int round = 0; round < 200000; ++round) {
        float single[3] = {0, 0, 0};
        double exact[3] = {0, 0, 0};
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 8; ++k) {
                const int dx = step(rng), dy = step(rng);
                single[c] += std::sqrt(static_cast<float>(dx * dx + dy * dy));
                exact[c] += std::sqrt(static_cast<double>(dx * dx + dy * dy));
            }
        const int decided = SmoothInSingle(single[0], single[1], single[2]);
        if (decided < 0)
            ++undecided;
        else
            wrong += (decided == 1) != SmoothExact(exact[0], exact[1], exact[2]);
    }
    EXPECT_EQ(wrong, 0);
    // The band left to the rule is narrow, yet these draws reach it.
    EXPECT_GT(undecided, 0);
    EXPECT_LT(undecided, 2000);
}
