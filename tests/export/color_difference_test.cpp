// CIELAB and CIEDE2000 against published values.
#include "export/color_difference.h"
#include "export/quality.h"
#include "tests/support/dib_builder.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct SharmaPair {
    LabColor x, y;
    double expected;
};

// The 34 test pairs of Sharma, Wu and Dalal, "The CIEDE2000 color-difference formula:
// implementation notes, supplementary test data, and mathematical observations" (2005),
// table 1, with their published differences to four decimals.
const SharmaPair kSharmaPairs[] = {
    {{50.0000, 2.6772, -79.7751}, {50.0000, 0.0000, -82.7485}, 2.0425},
    {{50.0000, 3.1571, -77.2803}, {50.0000, 0.0000, -82.7485}, 2.8615},
    {{50.0000, 2.8361, -74.0200}, {50.0000, 0.0000, -82.7485}, 3.4412},
    {{50.0000, -1.3802, -84.2814}, {50.0000, 0.0000, -82.7485}, 1.0000},
    {{50.0000, -1.1848, -84.8006}, {50.0000, 0.0000, -82.7485}, 1.0000},
    {{50.0000, -0.9009, -85.5211}, {50.0000, 0.0000, -82.7485}, 1.0000},
    {{50.0000, 0.0000, 0.0000}, {50.0000, -1.0000, 2.0000}, 2.3669},
    {{50.0000, -1.0000, 2.0000}, {50.0000, 0.0000, 0.0000}, 2.3669},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0009}, 7.1792},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0010}, 7.1792},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0011}, 7.2195},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0012}, 7.2195},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0009, -2.4900}, 4.8045},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0010, -2.4900}, 4.8045},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0011, -2.4900}, 4.7461},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0012, -2.4900}, 4.7461},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 0.0000, -2.5000}, 4.3065},
    {{50.0000, 2.5000, 0.0000}, {73.0000, 25.0000, -18.0000}, 27.1492},
    {{50.0000, 2.5000, 0.0000}, {61.0000, -5.0000, 29.0000}, 22.8977},
    {{50.0000, 2.5000, 0.0000}, {56.0000, -27.0000, -3.0000}, 31.9030},
    {{50.0000, 2.5000, 0.0000}, {58.0000, 24.0000, 15.0000}, 19.4535},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 3.1736, 0.5854}, 1.0000},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 3.2972, 0.0000}, 1.0000},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 1.8634, 0.5757}, 1.0000},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 3.2592, 0.3350}, 1.0000},
    {{60.2574, -34.0099, 36.2677}, {60.4626, -34.1751, 39.4387}, 1.2644},
    {{63.0109, -31.0961, -5.8663}, {62.8187, -29.7946, -4.0864}, 1.2630},
    {{61.2901, 3.7196, -5.3901}, {61.4292, 2.2480, -4.9620}, 1.8731},
    {{35.0831, -44.1164, 3.7933}, {35.0232, -40.0716, 1.5901}, 1.8645},
    {{22.7233, 20.0904, -46.6940}, {23.0331, 14.9730, -42.5619}, 2.0373},
    {{36.4612, 47.8580, 18.3852}, {36.2715, 50.5065, 21.2231}, 1.4146},
    {{90.8027, -2.0831, 1.4410}, {91.1528, -1.6435, 0.0447}, 1.4441},
    {{90.9257, -0.5406, -0.9208}, {88.6381, -0.8985, -0.7239}, 1.5381},
    {{6.7747, -0.2908, -2.4247}, {5.8714, -0.0985, -2.2286}, 0.6377},
    {{2.0776, 0.0795, -1.1350}, {0.9033, -0.0636, -0.5514}, 0.9082},
};

TEST(DeltaE2000, MatchesThePublishedTestPairsBothWays) {
    int pair = 1;
    for (const SharmaPair& p : kSharmaPairs) {
        SCOPED_TRACE("pair " + std::to_string(pair++));
        // The table gives four decimals.
        EXPECT_NEAR(DeltaE2000(p.x, p.y), p.expected, 0.5e-4);
        EXPECT_NEAR(DeltaE2000(p.y, p.x), p.expected, 0.5e-4);
    }
    EXPECT_EQ(DeltaE2000({50, 10, -20}, {50, 10, -20}), 0.0);
}

TEST(SrgbToLab, GivesThePublishedValuesOfPrimariesAndGreys) {
    struct Row {
        std::uint32_t rgb;
        LabColor lab;
    };
    // CIELAB of the sRGB primaries and white (D65), two decimals as usually published.
    const Row rows[] = {
        {0xFFFFFF, {100.00, 0.00, 0.00}},    {0x000000, {0.00, 0.00, 0.00}},
        {0xFF0000, {53.24, 80.09, 67.20}},   {0x00FF00, {87.73, -86.18, 83.18}},
        {0x0000FF, {32.30, 79.19, -107.86}}, {0x808080, {53.59, 0.00, 0.00}},
    };
    for (const Row& r : rows) {
        const LabColor lab = SrgbToLab(r.rgb);
        SCOPED_TRACE(r.rgb);
        EXPECT_NEAR(lab.L, r.lab.L, 0.01);
        EXPECT_NEAR(lab.a, r.lab.a, 0.02);
        EXPECT_NEAR(lab.b, r.lab.b, 0.02);
    }
}

TEST(MeasureQuality, FiguresOfAKnownDifference) {
    // Two pixels of four differ by 3 levels in red alone: MSE = 2 * 9 / 12 = 1.5.
    const DibHandle source = MakeDib24(2, 2, {0x102030, 0x405060, 0x708090, 0xA0B0C0});
    const DibHandle result = MakeDib24(2, 2, {0x132030, 0x405060, 0x738090, 0xA0B0C0});
    const QualityFigures f = MeasureQuality(source, result);
    ASSERT_TRUE(f.failure.empty()) << f.failure;
    EXPECT_EQ(f.colorCount, 4);
    EXPECT_NEAR(f.psnr, 10 * std::log10(255.0 * 255.0 / 1.5), 1e-9);
    const double expected = (DeltaE2000(SrgbToLab(0x102030), SrgbToLab(0x132030)) +
                             DeltaE2000(SrgbToLab(0x708090), SrgbToLab(0x738090))) /
                            4;
    EXPECT_NEAR(f.meanDeltaE, expected, 1e-12);

    EXPECT_TRUE(std::isinf(MeasureQuality(source, source).psnr));
    EXPECT_FALSE(MeasureQuality(source, MakeDib24(1, 2, {0, 0})).failure.empty());
}

} // namespace
