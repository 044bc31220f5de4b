#include "quant/divide_box.h"
#include "quant/palette_division.h"
#include "tests/support/test_seed.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

ColorEntry Entry(int yb, int cr, int luma, std::uint32_t weight = 1) {
    ColorEntry e;
    e.point = {yb, cr, luma};
    e.weight = weight;
    return e;
}

CColorSpace Space(int outPrecision = 8) {
    CColorSpace space;
    space.Init(100, 100, 100, outPrecision); // grey points are (0, 0, luma)
    return space;
}

} // namespace

TEST(DivideBox, StatisticsOfARange) {
    struct Case {
        const char* name;
        std::vector<ColorEntry> entries;
        double mean[3], variance, axis[3];
    } cases[] = {
        // clang-format off
        // (3 x 25^2 + 75^2) / 4 = 1875.
        {"weighted pair on luma", {Entry(0, 0, 0, 3), Entry(0, 0, 100)}, {0, 0, 25}, 1875,
         {0, 0, 1}},
        // Both points 50 sqrt 2 from the mean along the diagonal.
        {"chroma diagonal", {Entry(0, 0, 7), Entry(100, 100, 7)}, {50, 50, 7}, 5000,
         {0.7071067811865476, 0.7071067811865476, 0}},
        // All eigenvalues equal: no axis is strictly larger than the third one.
        {"isotropic", {Entry(9, 0, 0), Entry(-9, 0, 0), Entry(0, 9, 0), Entry(0, -9, 0),
                       Entry(0, 0, 9), Entry(0, 0, -9)}, {0, 0, 0}, 27, {0, 0, 1}},
        {"empty", {}, {0, 0, 0}, 0, {0, 0, 0}},
        // clang-format on
    };
    for (Case& c : cases) {
        double axis[4], stdDev[4], mean[4];
        EXPECT_NEAR(CDivideBox().BoxStatistics(c.entries.data(), 0, int(c.entries.size()), axis,
                                               stdDev, mean),
                    c.variance, 1e-9)
            << c.name;
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(mean[k], c.mean[k], 1e-9) << c.name;
            EXPECT_NEAR(std::fabs(axis[k]), c.axis[k], 1e-9) << c.name;
        }
        double weight = 0;
        for (const ColorEntry& e : c.entries)
            weight += e.weight;
        EXPECT_EQ(std::vector<double>({axis[3], stdDev[3], mean[3]}),
                  std::vector<double>(3, weight))
            << c.name;
    }
}

// The solver gives up after ten sweeps. A diagonal of 2^60 swallows what a rotation moves onto
// it, so every rotation turns by 45 degrees and a sweep only shrinks the off-diagonal elements:
// from a01, a02, a12 = x, y, z it leaves a01 = a02 = -(y + z) / (2 sqrt 2) and a12 = 0. Starting
// from 1, 1, 0 that is (2 sqrt 2)^-10 = 2^-15 after ten sweeps (2^-13.5 after nine, 2^-16.5 after
// eleven), far above the threshold of 1e-16 that would end the solver on its own 27 sweeps later.
TEST(DivideBox, JacobiStopsAfterTenSweeps) {
    const double d = std::ldexp(1.0, 60);
    double matrix[9] = {d, 1, 1, 1, d, 0, 1, 0, d};
    double vectors[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    CDivideBox::JacobiEigen(3, matrix, vectors, 1e-16);
    const double w = std::ldexp(1.0, -15);
    for (int k : {1, 2, 3, 6}) // both sides of the diagonal
        EXPECT_NEAR(std::fabs(matrix[k]), w, w * 1e-9) << k;
    EXPECT_EQ(matrix[5], 0);
    EXPECT_EQ(matrix[7], 0);
    EXPECT_EQ(std::vector<double>({matrix[0], matrix[4], matrix[8]}), std::vector<double>(3, d));
}

TEST(DivideBox, RepresentativeRoundsHalfUp) {
    const CColorSpace space = Space();
    const std::pair<ColorEntry, int> cases[] = {{Entry(0, 0, 101), 51},
                                                {Entry(-101, 0, 0), -50}}; // mean +-50.5
    for (const auto& [far, repr] : cases) {
        ColorEntry range[] = {Entry(0, 0, 0), far};
        ColorBox boxes[2];
        CDivideBox().FillBox(boxes, range, 1, 0, 2, space);
        EXPECT_EQ(boxes[1].reprCoord[far.point.luma != 0 ? 2 : 0], repr);
        EXPECT_EQ(boxes[1].error, 51 * 51 + 50 * 50);
        EXPECT_EQ(boxes[1].reprColor, space.SpaceToRgb(boxes[1].reprCoord[0], boxes[1].reprCoord[1],
                                                       boxes[1].reprCoord[2]));
    }
}

TEST(DivideBox, CutAndSplit) {
    struct Case {
        const char* name;
        std::vector<int> luma;
        std::vector<std::uint32_t> weights;
        int cut;
    } cases[] = {
        {"two clusters", {0, 10, 100, 110}, {1, 1, 1, 1}, 2},
        {"tie: after 0 or after 10 both cost 50", {0, 10, 20}, {1, 1, 1}, 1},
        {"{0} | {10, 20 x 9} costs 90, {0, 10} | {20 x 9} 50", {0, 10, 20}, {1, 1, 9}, 2},
        {"single entry", {5}, {1}, 0},
    };
    for (const Case& c : cases) {
        std::vector<ColorEntry> e;
        for (std::size_t i = 0; i < c.luma.size(); ++i)
            e.push_back(Entry(0, 0, c.luma[i], c.weights[i]));
        EXPECT_EQ(CDivideBox::FindBestCut(e.data(), 0, int(e.size())), c.cut) << c.name;
    }
    // A pair on one point costs 0 at every cut and still splits; a single entry never does.
    const CColorSpace space = Space();
    CDivideBox divider;
    ColorBox boxes[kBoxTableSize];
    ColorEntry pair[] = {Entry(3, 4, 5, 2), Entry(3, 4, 5, 7)};
    divider.FillBox(boxes, pair, 0, 0, 2, space);
    EXPECT_TRUE(divider.SplitBox(boxes, pair, 0, 1, space));
    EXPECT_EQ(boxes[0].count + boxes[1].count * 10, 11);
    ColorEntry single[] = {Entry(1000, 2000, 300000, 3)};
    divider.FillBox(boxes, single, 0, 0, 1, space);
    boxes[0].error = 123;
    EXPECT_FALSE(divider.SplitBox(boxes, single, 0, 1, space));
    EXPECT_EQ(boxes[0].error, 0);
}

// The sort must give exactly the order of a stable comparison sort with `<`, for the small
// ranges that are compared and the large ones that are radix-sorted: equal keys keep their
// order, -0 equals +0, and negative, tiny, huge and infinite keys take their places.
TEST(DivideBox, SortIsTheStableOrderOfTheKeys) {
    std::mt19937_64 random(7);
    const double specials[] = {0.0,       -0.0,  1.0,    -1.0,     4.9e-324,
                               -4.9e-324, 1e300, -1e300, HUGE_VAL, -HUGE_VAL};
    using Keys = std::function<double(int)>;
    struct Case {
        const char* what;
        Keys key;
    };
    const Case cases[] = {
        {"six keys", [](int i) { return std::vector<double>{2, 1, 2, 0, 1, 2}[i % 6]; }},
        {"projections", [&](int) { return std::uniform_real_distribution<>(-3e6, 3e6)(random); }},
        {"few values", [&](int) { return double(std::uniform_int_distribution<>(-3, 3)(random)); }},
        {"specials", [&](int) { return specials[random() % std::size(specials)]; }},
        // Keys a few units of the last place apart (and some equal), around four values: long
        // runs that agree in all but the lowest bits of the mantissa.
        {"near ties",
         [&](int) {
             const double base = double(int(random() % 4) - 2) * 1000 + 0.5;
             return base + base * double(random() % 3000) * 0x1p-45;
         }},
        {"any bits", [&](int) {
             std::uint64_t bits = random();
             double d;
             std::memcpy(&d, &bits, sizeof d);
             return std::isnan(d) ? 0.5 : d;
         }}};
    for (const Case& c : cases) {
        for (int count : {0, 1, 6, 2047, 2048, 30000}) {
            std::vector<ColorEntry> e(static_cast<std::size_t>(count));
            std::vector<double> keys;
            for (int i = 0; i < count; ++i)
                keys.push_back(c.key(i)), e[i].weight = static_cast<std::uint32_t>(i);
            CKeySort sort;
            sort.Reserve(e.size());
            sort.Sort(
                e.data(), count, [&](const ColorEntry& x) { return keys[x.weight]; },
                sort.Scratch());
            std::vector<std::uint32_t> gotOrder, wantOrder(e.size());
            for (int i = 0; i < count; ++i) {
                gotOrder.push_back(e[i].weight);
                wantOrder[i] = static_cast<std::uint32_t>(i);
            }
            std::stable_sort(wantOrder.begin(), wantOrder.end(),
                             [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
            EXPECT_EQ(gotOrder, wantOrder) << c.what << ", " << count << " entries";
        }
    }
}

TEST(DividePalette, SlotsInBoxOrder) {
    const CColorSpace space = Space();
    auto grey = [&](int luma) { return space.SpaceToRgb(0, 0, luma); };
    struct Case {
        const char* name;
        std::vector<ColorEntry> entries;
        int target;
        std::vector<std::uint32_t> colours;
        int progress;
    } cases[] = {
        // clang-format off
        // Both pairs have the error 2 x 100000^2 after the first split: box 0 is split next.
        // Progress after d = 3 of 3: 450 + 350 x (0.5 x (1 - 1/sqrt 3) + 0.5) = 698.96; after d = 2
        // of 2: 450 + 350 x 0.6464 = 676.3.
        {"equal errors split the lower box",
         {Entry(0, 0, 1000000), Entry(0, 0, 1200000), Entry(0, 0, 3000000), Entry(0, 0, 3200000)},
         3, {grey(1000000), grey(3100000), grey(1200000)}, 698},
        {"a pair always splits", {Entry(0, 0, 1000000, 5), Entry(0, 0, 1100000)}, 2,
         {grey(1000000), grey(1100000)}, 676},
        // d = 3 of 8: 450 + 350 x (0.5 x (1 - 1/sqrt 3) + 0.5 x 3/8) = 589.6; the rest is black.
        {"fewer colours than the target",
         {Entry(0, 0, 500000), Entry(0, 0, 2000000), Entry(0, 0, 3500000)}, 8,
         {grey(500000), grey(2000000), grey(3500000)}, 589},
        {"one colour is kept", {Entry(0, 0, 2000000, 40)}, 5, {grey(2000000)}, 450 + 350 / 5},
        {"empty histogram", {}, 5, {}, 450 + 350 / 5},
        {"target 0", {Entry(0, 0, 1000000), Entry(0, 0, 2000000)}, 0, {}, 450},
        // clang-format on
    };
    for (Case& c : cases) {
        std::array<PaletteSlot, 256> slots;
        int found = -1;
        QuantSignal signal;
        ASSERT_EQ(DividePalette(c.entries, c.target, space, signal, slots, found), StageResult::Ok);
        std::vector<std::uint32_t> colours;
        for (int i = 0; i < found; ++i) {
            colours.push_back(slots[i].color);
            SpacePoint p;
            space.RgbToSpace(p, slots[i].color);
            EXPECT_EQ(slots[i].key, p.luma) << c.name;
        }
        EXPECT_EQ(colours, c.colours) << c.name;
        for (int i = found; i < 256; ++i)
            ASSERT_TRUE(slots[i].color == 0 && slots[i].key == 0x7FFFFFFF) << c.name << " " << i;
        EXPECT_EQ(signal.m_nProgress.load(), c.progress) << c.name;
    }
}

// Boxes whose colours snap to one output colour are split on without adding a colour (the
// colour counts once), until 760 boxes exist. N greys 2 units apart within the "Web" level 0x666666
// need N - 1 splits to become single entries, and every box of two or more of them has an error of
// at least 2. A pair 1 unit apart on both sides of where the snapped colour turns into 0xCCCCCC has
// the error 1: the first split cuts it off (2 boxes) and it is split last, when N + 1 boxes exist,
// which happens only while N + 1 < 760.
TEST(DividePalette, StopsAtSevenHundredSixtyBoxes) {
    const CColorSpace space = Space(0);
    auto snapped = [&](int luma) { return space.SnapToGrid(space.SpaceToRgb(0, 0, luma)); };
    auto lumaOf = [&](std::uint32_t grey) {
        SpacePoint p;
        space.RgbToSpace(p, grey);
        return p.luma;
    };
    int low = lumaOf(0x999999), high = lumaOf(0xCCCCCC); // the first luma of 0xCCCCCC
    ASSERT_TRUE(snapped(low) != 0xCCCCCCu && snapped(high) == 0xCCCCCCu);
    while (high - low > 1) {
        const int middle = low + (high - low) / 2;
        (snapped(middle) == 0xCCCCCCu ? high : low) = middle;
    }
    const std::uint32_t below = snapped(high - 1);
    const int grey = lumaOf(0x666666);
    ASSERT_TRUE(snapped(grey) == 0x666666u && snapped(grey + 2 * 759) == 0x666666u);
    ASSERT_NE(below, 0x666666u);

    const std::pair<int, std::vector<std::uint32_t>> cases[] = {{758, {0x666666, below, 0xCCCCCC}},
                                                                {759, {0x666666, 0xCCCCCC}}};
    for (const auto& [greys, colours] : cases) {
        std::vector<ColorEntry> entries;
        for (int i = 0; i < greys; ++i)
            entries.push_back(Entry(0, 0, grey + 2 * i));
        entries.push_back(Entry(0, 0, high - 1));
        entries.push_back(Entry(0, 0, high));
        std::array<PaletteSlot, 256> slots;
        int found = 0;
        QuantSignal signal;
        ASSERT_EQ(DividePalette(entries, 256, space, signal, slots, found), StageResult::Ok);
        std::vector<std::uint32_t> got;
        for (int i = 0; i < found; ++i)
            got.push_back(slots[i].color);
        EXPECT_EQ(got, colours) << greys << " greys";
    }
}

// With a second thread preparing splits ahead, the division gives exactly what one thread gives:
// the same colours, the same progress reports, and it still stops on request. Photograph-like
// clusters, points repeated (equal keys, whose order the sorts keep) and a coarse output grid
// (splits that add no colour, up to 760 boxes).
TEST(DividePalette, SecondThreadChangesNothing) {
    const TestSeed seed(760);
    std::mt19937 random(seed.value());
    auto colours = [&](int count, int repeats, const CColorSpace& space) {
        std::vector<ColorEntry> entries;
        std::normal_distribution<> spread(0, 18);
        std::uniform_int_distribution<int> centre(0, 255), weight(0, 3);
        int c[8][3];
        for (auto& k : c)
            k[0] = centre(random), k[1] = centre(random), k[2] = centre(random);
        for (int i = 0; i < count; ++i) {
            const int* k = c[i % 8];
            std::uint32_t rgb = 0;
            for (int ch = 0; ch < 3; ++ch)
                rgb = rgb << 8 | std::uint32_t(std::clamp(int(k[ch] + spread(random)), 0, 255));
            ColorEntry e;
            space.RgbToSpace(e.point, rgb);
            e.weight = weight(random) == 0 ? 8 : 1;
            for (int r = 0; r < repeats; ++r)
                entries.push_back(e);
        }
        return entries;
    };
    struct Case {
        const char* name;
        int outPrecision, count, repeats, target;
    } cases[] = {
        {"256 colours", 8, 20000, 1, 256},
        {"16 colours", 8, 20000, 1, 16},
        {"points repeated", 8, 3000, 4, 256},
        {"Web grid", 0, 20000, 1, 256},
    };
    for (const Case& c : cases) {
        const CColorSpace space = Space(c.outPrecision);
        const std::vector<ColorEntry> entries = colours(c.count, c.repeats, space);
        struct Run {
            StageResult result;
            std::array<PaletteSlot, 256> slots;
            int found = 0;
            std::vector<int> reports;
        };
        auto divide = [&](int threads, std::size_t cancelAt) {
            Run run;
            QuantSignal signal;
            signal.m_onProgress = [&](int value) {
                run.reports.push_back(value);
                if (run.reports.size() == cancelAt)
                    signal.m_bCancel = 1;
            };
            run.result =
                DividePalette(entries, c.target, space, signal, run.slots, run.found, threads);
            return run;
        };
        const Run one = divide(1, 0);
        ASSERT_EQ(one.result, StageResult::Ok) << c.name;
        ASSERT_GT(one.reports.size(), 10u) << c.name;
        for (int repeat = 0; repeat < 3; ++repeat) {
            const Run two = divide(2, 0);
            ASSERT_EQ(two.result, StageResult::Ok) << c.name;
            EXPECT_EQ(two.found, one.found) << c.name;
            EXPECT_EQ(two.reports, one.reports) << c.name;
            for (int i = 0; i < 256; ++i)
                ASSERT_TRUE(two.slots[i].color == one.slots[i].color &&
                            two.slots[i].key == one.slots[i].key)
                    << c.name << ", slot " << i;
        }
        const Run stopped = divide(2, 8);
        EXPECT_EQ(stopped.result, StageResult::Cancelled) << c.name;
        EXPECT_EQ(stopped.reports, std::vector<int>(one.reports.begin(), one.reports.begin() + 8))
            << c.name;
    }
}
