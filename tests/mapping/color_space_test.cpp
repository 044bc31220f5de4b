#include "mapping/color_space.h"
#include "tests/mapping/reference_space.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

const int kWeightSets[][3] = {{100, 100, 100}, {35, 55, 75}, {85, 105, 125}, {135, 155, 175}};

CColorSpace MakeSpace(const int* w, int outPrecision = 8) {
    CColorSpace space;
    space.Init(w[0], w[1], w[2], outPrecision);
    return space;
}

int Channel(std::uint32_t c, int shift) {
    return (c >> shift) & 255;
}

} // namespace

TEST(ColorSpace, BlackWhiteAndClamping) {
    const CColorSpace space = MakeSpace(kWeightSets[0]);
    SpacePoint p;
    space.RgbToSpace(p, 0xFF000000); // the upper byte is ignored
    EXPECT_EQ(std::vector<int>({p.yb, p.cr, p.luma}), std::vector<int>({0, 0, 0}));
    // Luma weights sum to 1; Q of white is 0.4 - 0.3346 - 0.0653 = 0.0001 -> 417.792.
    space.RgbToSpace(p, 0xFFFFFF);
    EXPECT_EQ(std::vector<int>({p.yb, p.cr, p.luma}), std::vector<int>({0, 418, 4177920}));
    EXPECT_EQ(space.SpaceToRgb(0, 0, 2 * 4177920), 0xFFFFFFu);
    EXPECT_EQ(space.SpaceToRgb(0, 0, -4177920), 0u);
    // Grey 30 sits where the tone curve's pieces meet: 0.05402696305877764 x 4177920 = 225720.3.
    space.RgbToSpace(p, 0x1E1E1E);
    EXPECT_NEAR(p.luma, 225720, 1);
    EXPECT_NEAR(double(0.14291364759577405L * std::pow(30 / 255.0L, 1 / 2.2L)),
                double(std::pow(30 / 255.0L, 15 / 11.0L)), 1e-15);
}

// Against the long double model one unit may differ where a value lies within ulps of a half;
// the way back may differ by one level per channel.
TEST(ColorSpace, PointsMatchModelAndConvertBack) {
    for (const int* w : kWeightSets) {
        const CColorSpace space = MakeSpace(w);
        const testref::Space ref(w[0], w[1], w[2]);
        for (std::uint32_t c = 0; c < 0x1000000; c += 0x0B0D07) {
            SpacePoint p;
            space.RgbToSpace(p, c);
            const testref::Point q = ref.ToSpace(c);
            ASSERT_LE(
                std::llabs(p.yb - q.yb) + std::llabs(p.cr - q.cr) + std::llabs(p.luma - q.luma), 1)
                << w[0] << " " << std::hex << c;
            const std::uint32_t back = space.SpaceToRgb(p.yb, p.cr, p.luma);
            for (int shift : {0, 8, 16})
                ASSERT_LE(std::abs(Channel(back, shift) - Channel(c, shift)), 1) << std::hex << c;
        }
    }
}

// The levels of a channel are exactly the values the snap leaves in place.
TEST(ColorSpace, SnapFollowsTheLevelTables) {
    auto levels = [](int n) { // floor(i x 256 / (n - 1)) in integers, at most 255
        std::vector<int> v;
        for (int i = 0; i < n; ++i)
            v.push_back(std::min(255, i * 256 / (n - 1)));
        return v;
    };
    const std::vector<int> six = {0, 51, 102, 153, 204, 255},
                           eight = {0, 36, 73, 109, 146, 182, 219, 255};
    const struct Case {
        int outPrecision;
        std::vector<int> blue, green, red;
    } cases[] = {{0, six, six, six},
                 {1, {0, 85, 170, 255}, eight, eight},
                 {2, eight, eight, eight},
                 {5, levels(32), levels(64), levels(32)},
                 {8, levels(256), levels(256), levels(256)},
                 {9, levels(256), levels(256), levels(256)},
                 {-1, levels(256), levels(256), levels(256)}};
    for (const Case& c : cases) {
        const CColorSpace space = MakeSpace(kWeightSets[2], c.outPrecision);
        const std::vector<int>* tables[3] = {&c.blue, &c.green, &c.red};
        for (int ch = 0; ch < 3; ++ch) {
            std::vector<int> fixed;
            for (std::uint32_t v = 0; v < 256; ++v)
                if (space.SnapToGrid(v << (8 * ch)) == v << (8 * ch))
                    fixed.push_back(int(v));
            EXPECT_EQ(fixed, *tables[ch]) << c.outPrecision << " " << ch;
        }
    }
}

TEST(ColorSpace, WebSnapOfMidGreyIsTheNearestCandidate) {
    for (const int* w : kWeightSets) {
        const testref::Space ref(w[0], w[1], w[2]);
        std::uint32_t expected = 0;
        long double best = -1;
        for (int r : {102, 153}) // loop order of the snap: earliest wins ties
            for (int g : {102, 153})
                for (int b : {102, 153}) {
                    const std::uint32_t c = std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | b;
                    const long double d =
                        testref::Space::Distance2(ref.ToSpace(0x808080), ref.ToSpace(c));
                    if (best < 0 || d < best)
                        best = d, expected = c;
                }
        EXPECT_EQ(MakeSpace(w, 0).SnapToGrid(0x808080), expected) << w[0];
    }
}
