#include "colorspace/color_space.h"
#include "tests/engine/reference_space.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Weights {
    const char* name;
    int yb, cr, gm;
};

const Weights kWeightSets[] = {
    {"neutral", 100, 100, 100},
    {"all sliders at 0", 35, 55, 75},
    {"panel defaults", 85, 105, 125},
    {"all sliders at 20", 135, 155, 175},
};

CColorSpace MakeSpace(int yb, int cr, int gm, int outPrecision = 8) {
    CColorSpace space;
    space.Init(yb, cr, gm, outPrecision);
    return space;
}

std::vector<std::uint32_t> SampleColours(int step) {
    std::vector<std::uint32_t> colours;
    for (int r = 0; r < 256; r += step)
        for (int g = 0; g < 256; g += step)
            for (int b = 0; b < 256; b += step)
                colours.push_back(std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | b);
    return colours;
}

int Channel(std::uint32_t c, int shift) {
    return (c >> shift) & 255;
}

} // namespace

TEST(ColorSpace, BlackAndWhiteAtNeutralWeights) {
    const CColorSpace space = MakeSpace(100, 100, 100);
    SpacePoint p;
    space.RgbToSpace(p, 0x000000);
    EXPECT_EQ(p.yb, 0);
    EXPECT_EQ(p.cr, 0);
    EXPECT_EQ(p.luma, 0);
    // The luma weights sum to 1; Q of white is 0.4 - 0.3346 - 0.0653 = 0.0001.
    space.RgbToSpace(p, 0xFFFFFF);
    EXPECT_EQ(p.yb, 0);
    EXPECT_EQ(p.cr, 418);
    EXPECT_EQ(p.luma, 4177920);
}

TEST(ColorSpace, UpperByteOfColourIsIgnored) {
    const CColorSpace space = MakeSpace(85, 105, 125);
    SpacePoint a, b;
    space.RgbToSpace(a, 0x00336699);
    space.RgbToSpace(b, 0xFF336699);
    EXPECT_EQ(a.yb, b.yb);
    EXPECT_EQ(a.cr, b.cr);
    EXPECT_EQ(a.luma, b.luma);
}

// Tone curve, weight matrices and coordinates against the long double model; one unit of
// difference is allowed for rounding a value that lies within a few ulps of a half.
TEST(ColorSpace, PointsMatchIndependentModel) {
    for (const Weights& w : kWeightSets) {
        SCOPED_TRACE(w.name);
        const CColorSpace space = MakeSpace(w.yb, w.cr, w.gm);
        const testref::Space ref(w.yb, w.cr, w.gm);
        for (std::uint32_t c : SampleColours(15)) {
            SpacePoint p;
            space.RgbToSpace(p, c);
            const testref::Point q = ref.ToSpace(c);
            ASSERT_LE(std::llabs(p.yb - q.yb), 1) << std::hex << c;
            ASSERT_LE(std::llabs(p.cr - q.cr), 1) << std::hex << c;
            ASSERT_LE(std::llabs(p.luma - q.luma), 1) << std::hex << c;
        }
    }
}

TEST(ColorSpace, TonePiecesMeetAtLevel30) {
    const long double x = 30 / 255.0L;
    const long double shadow = 0.14291364759577405L * std::pow(x, 1 / 2.2L);
    const long double power = std::pow(x, 15 / 11.0L);
    EXPECT_NEAR(static_cast<double>(shadow), 0.05402696305877764, 1e-15);
    EXPECT_NEAR(static_cast<double>(power), 0.05402696305877764, 1e-15);
    // Grey 30 sits on the meeting point: luma = 0.05402696305877764 x 4177920 = 225720.33.
    SpacePoint p;
    MakeSpace(100, 100, 100).RgbToSpace(p, 0x1E1E1E);
    EXPECT_NEAR(p.luma, 225720, 1);
}

TEST(ColorSpace, RoundTripWithinOneLevel) {
    for (const Weights& w : kWeightSets) {
        SCOPED_TRACE(w.name);
        const CColorSpace space = MakeSpace(w.yb, w.cr, w.gm);
        for (std::uint32_t c : SampleColours(5)) {
            SpacePoint p;
            space.RgbToSpace(p, c);
            const std::uint32_t back = space.SpaceToRgb(p.yb, p.cr, p.luma);
            for (int shift : {0, 8, 16})
                ASSERT_LE(std::abs(Channel(back, shift) - Channel(c, shift)), 1)
                    << std::hex << c << " -> " << back;
        }
    }
}

TEST(ColorSpace, SpaceToRgbClampsEachChannel) {
    const CColorSpace space = MakeSpace(100, 100, 100);
    struct Case {
        const char* name;
        int yb, cr, luma;
        std::uint32_t expected;
    } cases[] = {
        {"twice white", 0, 0, 2 * 4177920, 0xFFFFFF},
        {"below black", 0, 0, -4177920, 0x000000},
        // Far towards red: red saturates, green and blue fall below 0.
        {"beyond red", 0, 4 * 4177920, 0, 0xFF0000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(space.SpaceToRgb(c.yb, c.cr, c.luma), c.expected) << c.name;
}

TEST(ColorSpace, PickLevelFallsBackToTheEnds) {
    const int levels[] = {51, 102};
    struct Case {
        const char* name;
        int count, value, up, expected;
    } cases[] = {
        {"down to a level", 2, 101, 0, 51},       {"down onto a level", 2, 102, 0, 102},
        {"down below every level", 2, 50, 0, 0},  {"up to a level", 2, 52, 1, 102},
        {"up above every level", 2, 103, 1, 255}, {"down in an empty table", 0, 80, 0, 0},
        {"up in an empty table", 0, 80, 1, 255},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CColorSpace::PickLevel(levels, c.count, c.value, c.up), c.expected) << c.name;
}

// Every level of a channel is a fixed point of the snap; every other value snaps to one of the
// two levels around it. Together this pins the whole level table.
TEST(ColorSpace, SnapUsesTheLevelTables) {
    auto levelsOf = [](int n) {
        std::vector<int> v;
        for (int i = 0; i < n; ++i)
            v.push_back(std::min(255, i * 256 / (n - 1))); // exact integer floor
        return v;
    };
    const std::vector<int> six = {0, 51, 102, 153, 204, 255};
    const std::vector<int> eight = {0, 36, 73, 109, 146, 182, 219, 255};
    const std::vector<int> four = {0, 85, 170, 255};
    ASSERT_EQ(levelsOf(6), six);
    ASSERT_EQ(levelsOf(8), eight);
    struct Case {
        const char* name;
        int outPrecision;
        std::vector<int> red, green, blue;
    } cases[] = {
        {"Web", 0, six, six, six},
        {"332", 1, eight, eight, four},
        {"333", 2, eight, eight, eight},
        {"444", 3, levelsOf(16), levelsOf(16), levelsOf(16)},
        {"565", 5, levelsOf(32), levelsOf(64), levelsOf(32)},
        {"777", 7, levelsOf(128), levelsOf(128), levelsOf(128)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CColorSpace space = MakeSpace(85, 105, 125, c.outPrecision);
        const std::vector<int>* tables[3] = {&c.blue, &c.green, &c.red};
        for (int ch = 0; ch < 3; ++ch) {
            const std::vector<int>& t = *tables[ch];
            for (int v = 0; v < 256; ++v) {
                const std::uint32_t snapped = space.SnapToGrid(std::uint32_t(v) << (8 * ch));
                ASSERT_EQ(snapped & ~(0xFFu << (8 * ch)), 0u) << v;
                const int got = Channel(snapped, 8 * ch);
                std::size_t i = 0;
                while (t[i + 1] < v)
                    ++i;
                if (t[i + 1] == v)
                    ASSERT_EQ(got, v);
                else if (t[i] == v)
                    ASSERT_EQ(got, v);
                else
                    ASSERT_TRUE(got == t[i] || got == t[i + 1]) << "channel " << ch << " " << v;
            }
        }
    }
}

TEST(ColorSpace, WebSnapOfMidGreyTakesNearestCandidate) {
    for (const Weights& w : kWeightSets) {
        SCOPED_TRACE(w.name);
        const testref::Space ref(w.yb, w.cr, w.gm);
        const testref::Point grey = ref.ToSpace(0x808080);
        std::uint32_t expected = 0;
        long double best = -1;
        for (int r : {102, 153})
            for (int g : {102, 153})
                for (int b : {102, 153}) {
                    const std::uint32_t c = std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | b;
                    const long double d = testref::Space::Distance2(grey, ref.ToSpace(c));
                    if (best < 0 || d < best) {
                        best = d;
                        expected = c;
                    }
                }
        EXPECT_EQ(MakeSpace(w.yb, w.cr, w.gm, 0).SnapToGrid(0x808080), expected);
    }
}

TEST(ColorSpace, FullPrecisionSnapKeepsTheColour) {
    for (int outPrecision : {8, -1, 9, 1000}) {
        const CColorSpace space = MakeSpace(85, 105, 125, outPrecision);
        for (std::uint32_t c : SampleColours(51))
            ASSERT_EQ(space.SnapToGrid(c), c) << outPrecision;
        EXPECT_EQ(space.SnapToGrid(0x7F8081), 0x7F8081u) << outPrecision;
    }
}
