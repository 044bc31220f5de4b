#include "quant/divide_box.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Range {
    std::vector<ColorEntry> entries;
    std::vector<ColorEntry*> pointers;
    explicit Range(std::vector<ColorEntry> e) : entries(std::move(e)) {
        for (ColorEntry& x : entries)
            pointers.push_back(&x);
    }
    int count() const { return static_cast<int>(entries.size()); }
};

ColorEntry Entry(int yb, int cr, int luma, std::uint32_t weight = 1) {
    ColorEntry e;
    e.point = {yb, cr, luma};
    e.weight = weight;
    return e;
}

CColorSpace Space() {
    CColorSpace space;
    space.Init(100, 100, 100, 8);
    return space;
}

} // namespace

TEST(JacobiEigen, DiagonalisesASymmetricMatrix) {
    // Eigenvalues 1, 3 and 5: a 2 x 2 block [[2, 1], [1, 2]] and a separate 5.
    double a[9] = {2, 1, 0, 1, 2, 0, 0, 0, 5};
    const double original[9] = {2, 1, 0, 1, 2, 0, 0, 0, 5};
    double v[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    CDivideBox::JacobiEigen(3, a, v, 1e-16);
    std::vector<double> values = {a[0], a[4], a[8]};
    std::sort(values.begin(), values.end());
    EXPECT_NEAR(values[0], 1, 1e-12);
    EXPECT_NEAR(values[1], 3, 1e-12);
    EXPECT_NEAR(values[2], 5, 1e-12);
    EXPECT_EQ(a[1], 0);
    EXPECT_EQ(a[3], 0);
    for (int col = 0; col < 3; ++col) // A v = lambda v for every column
        for (int r = 0; r < 3; ++r) {
            double av = 0;
            for (int k = 0; k < 3; ++k)
                av += original[r * 3 + k] * v[k * 3 + col];
            EXPECT_NEAR(av, a[col * 4] * v[r * 3 + col], 1e-12);
        }
}

TEST(BoxStatistics, WeightedMeanAndPrincipalVariance) {
    struct Case {
        const char* name;
        std::vector<ColorEntry> entries;
        double mean[3], variance, axis[3], weight;
    } cases[] = {
        // (3 x 25^2 + 75^2) / 4 = 1875 along luma.
        {"weighted pair on the luma axis",
         {Entry(0, 0, 0, 3), Entry(0, 0, 100, 1)},
         {0, 0, 25},
         1875,
         {0, 0, 1},
         4},
        // Each point lies 50 x sqrt(2) from the mean along the diagonal: variance 5000.
        {"pair on a chroma diagonal",
         {Entry(0, 0, 7), Entry(100, 100, 7)},
         {50, 50, 7},
         5000,
         {std::sqrt(0.5), std::sqrt(0.5), 0},
         2},
        // No spread: every eigenvalue is 0 and the third axis is kept.
        {"single entry", {Entry(5, -6, 7, 9)}, {5, -6, 7}, 0, {0, 0, 1}, 9},
        // Equal spread on all three axes: no axis is strictly larger than the third.
        {"isotropic",
         {Entry(10, 0, 0), Entry(-10, 0, 0), Entry(0, 10, 0), Entry(0, -10, 0), Entry(0, 0, 10),
          Entry(0, 0, -10)},
         {0, 0, 0},
         200.0 / 6,
         {0, 0, 1},
         6},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        Range range(c.entries);
        CDivideBox divider;
        double axis[4], stdDev[4], mean[4];
        const double variance =
            divider.BoxStatistics(range.pointers.data(), 0, range.count(), axis, stdDev, mean);
        EXPECT_NEAR(variance, c.variance, 1e-9);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(mean[k], c.mean[k], 1e-9);
            EXPECT_NEAR(std::fabs(axis[k]), c.axis[k], 1e-9);
        }
        EXPECT_EQ(axis[3], c.weight);
        EXPECT_EQ(stdDev[3], c.weight);
        EXPECT_EQ(mean[3], c.weight);
    }
}

TEST(BoxStatistics, EmptyRangeIsAllZero) {
    CDivideBox divider;
    double axis[4] = {1, 1, 1, 1}, stdDev[4] = {1, 1, 1, 1}, mean[4] = {1, 1, 1, 1};
    EXPECT_EQ(divider.BoxStatistics(nullptr, 0, 0, axis, stdDev, mean), 0);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(axis[k], 0);
        EXPECT_EQ(stdDev[k], 0);
        EXPECT_EQ(mean[k], 0);
    }
}

TEST(FillBox, RepresentativeRoundsHalfUp) {
    struct Case {
        const char* name;
        ColorEntry a, b;
        std::int32_t repr[3];
    } cases[] = {
        {"positive half", Entry(0, 0, 0), Entry(0, 0, 101), {0, 0, 51}},
        {"negative half", Entry(-101, 0, 50), Entry(0, 0, 50), {-50, 0, 50}},
    };
    const CColorSpace space = Space();
    for (const Case& c : cases) {
        Range range({c.a, c.b});
        ColorBox boxes[2];
        CDivideBox().FillBox(boxes, range.pointers.data(), 1, 0, 2, space);
        EXPECT_EQ(boxes[1].first, 0) << c.name;
        EXPECT_EQ(boxes[1].count, 2) << c.name;
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(boxes[1].reprCoord[k], c.repr[k]) << c.name;
        // 51^2 + 50^2 from the two entries to the rounded representative.
        EXPECT_EQ(boxes[1].error, 5101) << c.name;
        EXPECT_EQ(boxes[1].reprColor,
                  space.SpaceToRgb(c.repr[0], c.repr[1], c.repr[2])); // 888: no snapping
    }
}

TEST(FindBestCut, SmallestCostFirstOnTies) {
    struct Case {
        const char* name;
        std::vector<int> luma;
        std::vector<std::uint32_t> weights;
        int cut;
    } cases[] = {
        {"two clusters", {0, 10, 100, 110}, {1, 1, 1, 1}, 2},
        // Cutting after 0 or after 10 both cost 50: the first wins.
        {"symmetric tie", {0, 10, 20}, {1, 1, 1}, 1},
        // A heavy last entry: {0} | {10, 20 x 9} costs 81 + 9 = 90, {0, 10} | {20 x 9} 50.
        {"weighted", {0, 10, 20}, {1, 1, 9}, 2},
        {"single entry", {5}, {1}, 0},
    };
    for (const Case& c : cases) {
        std::vector<ColorEntry> e;
        for (std::size_t i = 0; i < c.luma.size(); ++i)
            e.push_back(Entry(0, 0, c.luma[i], c.weights[i]));
        Range range(e);
        EXPECT_EQ(CDivideBox::FindBestCut(range.pointers.data(), 0, range.count()), c.cut)
            << c.name;
    }
}

TEST(SortByKey, EqualKeysKeepTheirOrder) {
    std::vector<ColorEntry> e(6);
    const double keys[] = {2, 1, 2, 0, 1, 2};
    for (int i = 0; i < 6; ++i) {
        e[i].key = keys[i];
        e[i].weight = i;
    }
    Range range(e);
    CDivideBox::SortByKey(range.pointers.data(), 6);
    const std::uint32_t order[] = {3, 1, 4, 0, 2, 5};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(range.pointers[i]->weight, order[i]) << i;
}

TEST(SplitBox, CutsAlongThePrincipalAxis) {
    const CColorSpace space = Space();
    // Shuffled on the luma axis; the cut separates {0, 10} from {100, 110}.
    Range range({Entry(0, 0, 110), Entry(0, 0, 0), Entry(0, 0, 100), Entry(0, 0, 10)});
    ColorBox boxes[kBoxTableSize];
    CDivideBox divider;
    divider.FillBox(boxes, range.pointers.data(), 0, 0, 4, space);
    ASSERT_TRUE(divider.SplitBox(boxes, range.pointers.data(), 0, 1, space));
    EXPECT_EQ(boxes[0].first, 0);
    EXPECT_EQ(boxes[0].count, 2);
    EXPECT_EQ(boxes[0].reprCoord[2], 5);
    EXPECT_EQ(boxes[0].error, 50);
    EXPECT_EQ(boxes[1].first, 2);
    EXPECT_EQ(boxes[1].count, 2);
    EXPECT_EQ(boxes[1].reprCoord[2], 105);
    EXPECT_EQ(range.pointers[0]->point.luma, 0);
    EXPECT_EQ(range.pointers[3]->point.luma, 110);
}

TEST(SplitBox, PairAlwaysSplitsSingleNever) {
    const CColorSpace space = Space();
    CDivideBox divider;
    ColorBox boxes[kBoxTableSize];

    // Two entries on the same point: every cut costs 0, still one entry each side.
    Range pair({Entry(3, 4, 5, 2), Entry(3, 4, 5, 7)});
    divider.FillBox(boxes, pair.pointers.data(), 0, 0, 2, space);
    ASSERT_TRUE(divider.SplitBox(boxes, pair.pointers.data(), 0, 1, space));
    EXPECT_EQ(boxes[0].count, 1);
    EXPECT_EQ(boxes[1].count, 1);

    Range single({Entry(1000, 2000, 300000, 3)});
    divider.FillBox(boxes, single.pointers.data(), 0, 0, 1, space);
    boxes[0].error = 123; // whatever it held, a refused box is never chosen again
    EXPECT_FALSE(divider.SplitBox(boxes, single.pointers.data(), 0, 1, space));
    EXPECT_EQ(boxes[0].error, 0);
    EXPECT_EQ(boxes[0].count, 1);
}
