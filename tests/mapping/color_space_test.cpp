#include "mapping/color_space.h"
#include "tests/quant/model/model_space.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace {

const int kWeightSets[][3] = {{100, 100, 100}, {35, 55, 75}, {85, 105, 125}, {135, 155, 175}};

CColorSpace MakeSpace(const int* w, int outPrecision = 8) {
    CColorSpace space;
    space.Init(w[0], w[1], w[2], outPrecision);
    return space;
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

// Against the independent model of the space: the same point, the same colour back (which is
// the colour itself within one level per channel) and the same snap to the output grid at
// "Web", "884" and "888".
TEST(ColorSpace, PointsColoursAndSnapsMatchTheModel) {
    for (const int* w : kWeightSets) {
        for (int outPrecision : {0, 1, 8}) {
            const CColorSpace space = MakeSpace(w, outPrecision);
            const model::Space ref(w[0], w[1], w[2], outPrecision);
            for (std::uint32_t c = 0; c < 0x1000000; c += 0x010307) {
                SCOPED_TRACE(testing::Message()
                             << w[0] << " " << outPrecision << " " << std::hex << c);
                SpacePoint p;
                space.RgbToSpace(p, c);
                const model::Point q = ref.ToSpace(c);
                ASSERT_EQ(std::vector<int>({p.yb, p.cr, p.luma}),
                          std::vector<int>({q.yb, q.cr, q.luma}));
                const std::uint32_t back = space.SpaceToRgb(p.yb, p.cr, p.luma);
                ASSERT_EQ(back, ref.ToRgb(q.yb, q.cr, q.luma));
                for (int shift : {0, 8, 16})
                    ASSERT_LE(std::abs(int(back >> shift & 255) - int(c >> shift & 255)), 1);
                ASSERT_EQ(space.SnapToGrid(c), ref.Snap(c));
            }
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
