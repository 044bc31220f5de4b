#include "quant/palette_division.h"

#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace {

CColorSpace Space(int outPrecision = 8) {
    CColorSpace space;
    space.Init(100, 100, 100, outPrecision);
    return space;
}

// Points on the grey axis at weights 100: yb = 0, cr = 0.
ColorEntry Grey(int luma, std::uint32_t weight = 1) {
    ColorEntry e;
    e.point = {0, 0, luma};
    e.weight = weight;
    return e;
}

struct Division {
    StageResult result;
    std::array<PaletteSlot, 256> slots;
    int found;
    int progress;
};

Division Divide(std::vector<ColorEntry> entries, int target, const CColorSpace& space) {
    Division d;
    QuantSignal signal;
    d.result = DividePalette(entries, target, space, signal, d.slots, d.found);
    d.progress = signal.m_nProgress.load();
    return d;
}

std::int32_t Luma(const CColorSpace& space, std::uint32_t colour) {
    SpacePoint p;
    space.RgbToSpace(p, colour);
    return p.luma;
}

} // namespace

TEST(DividePalette, FewerColoursThanTargetLeaveBlackFillers) {
    const CColorSpace space = Space();
    const Division d = Divide({Grey(500000), Grey(2000000), Grey(3500000)}, 8, space);
    ASSERT_EQ(d.result, StageResult::Ok);
    ASSERT_EQ(d.found, 3);
    std::set<std::uint32_t> colours;
    for (int i = 0; i < 3; ++i) {
        colours.insert(d.slots[i].color);
        EXPECT_EQ(d.slots[i].key, Luma(space, d.slots[i].color));
    }
    EXPECT_EQ(colours.size(), 3u);
    for (int i = 3; i < 256; ++i) {
        EXPECT_EQ(d.slots[i].color, 0u) << i;
        EXPECT_EQ(d.slots[i].key, 0x7FFFFFFF) << i;
    }
    // The last split found d = 3 of 8:
    // 450 + 350 x (0.5 x (1 - 1/sqrt 3) + 0.5 x 3/8) = 450 + 350 x 0.398825 = 589.6.
    EXPECT_EQ(d.progress, 589);
}

TEST(DividePalette, EqualErrorsSplitTheLowerBox) {
    const CColorSpace space = Space();
    // Two pairs of equal spread far apart: the first split separates the pairs, leaving boxes 0
    // and 1 with the same error 2 x 100000^2. Box 0 is split next.
    const Division d =
        Divide({Grey(1000000), Grey(1200000), Grey(3000000), Grey(3200000)}, 3, space);
    ASSERT_EQ(d.found, 3);
    EXPECT_EQ(d.slots[0].color, space.SpaceToRgb(0, 0, 1000000));
    EXPECT_EQ(d.slots[1].color, space.SpaceToRgb(0, 0, 3100000));
    EXPECT_EQ(d.slots[2].color, space.SpaceToRgb(0, 0, 1200000));
}

TEST(DividePalette, PairSplitsIntoBothColours) {
    const CColorSpace space = Space();
    const Division d = Divide({Grey(1000000, 5), Grey(1100000, 1)}, 2, space);
    ASSERT_EQ(d.found, 2);
    EXPECT_EQ(d.slots[0].color, space.SpaceToRgb(0, 0, 1000000));
    EXPECT_EQ(d.slots[1].color, space.SpaceToRgb(0, 0, 1100000));
}

TEST(DividePalette, SingleColourIsKept) {
    const CColorSpace space = Space();
    const Division d = Divide({Grey(2000000, 40)}, 5, space);
    ASSERT_EQ(d.found, 1);
    EXPECT_EQ(d.slots[0].color, space.SpaceToRgb(0, 0, 2000000));
    EXPECT_EQ(d.slots[0].key, Luma(space, d.slots[0].color));
    EXPECT_EQ(d.slots[1].key, 0x7FFFFFFF);
}

TEST(DividePalette, NothingToFind) {
    const CColorSpace space = Space();
    struct Case {
        const char* name;
        std::vector<ColorEntry> entries;
        int target;
        int progress;
    } cases[] = {
        {"empty histogram", {}, 5, 450 + 350 / 5},
        {"target 0", {Grey(1000000), Grey(2000000)}, 0, 450},
    };
    for (const Case& c : cases) {
        const Division d = Divide(c.entries, c.target, space);
        EXPECT_EQ(d.result, StageResult::Ok) << c.name;
        EXPECT_EQ(d.found, 0) << c.name;
        EXPECT_EQ(d.slots[0].color, 0u) << c.name;
        EXPECT_EQ(d.slots[0].key, 0x7FFFFFFF) << c.name;
        EXPECT_EQ(d.progress, c.progress) << c.name;
    }
}

TEST(DividePalette, SnappedDuplicatesCountOnce) {
    // At "Web" both greys snap to the same level: two boxes, one colour, then nothing left to
    // split.
    const CColorSpace space = Space(0);
    ASSERT_EQ(space.SnapToGrid(0x707070), space.SnapToGrid(0x747474));
    SpacePoint a, b;
    space.RgbToSpace(a, 0x707070);
    space.RgbToSpace(b, 0x747474);
    ColorEntry ea, eb;
    ea.point = a;
    eb.point = b;
    ea.weight = eb.weight = 1;
    const Division d = Divide({ea, eb}, 2, space);
    EXPECT_EQ(d.found, 1);
    EXPECT_EQ(d.slots[0].color, space.SnapToGrid(0x707070));
    EXPECT_EQ(d.slots[1].key, 0x7FFFFFFF);
}

TEST(DividePalette, CoarseGridStopsAtTheBoxLimit) {
    // "Web" has 216 colours, so 256 distinct ones cannot be found; the division ends when its
    // boxes run out, with every colour found distinct and on the grid.
    const CColorSpace space = Space(0);
    std::vector<ColorEntry> entries;
    for (int r = 0; r < 256; r += 23)
        for (int g = 0; g < 256; g += 23)
            for (int b = 0; b < 256; b += 23) {
                ColorEntry e;
                space.RgbToSpace(e.point, std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | b);
                e.weight = 1;
                entries.push_back(e);
            }
    ASSERT_GT(entries.size(), 760u);
    const Division d = Divide(entries, 256, space);
    ASSERT_EQ(d.result, StageResult::Ok);
    EXPECT_GT(d.found, 100);
    EXPECT_LE(d.found, 216);
    std::set<std::uint32_t> colours;
    for (int i = 0; i < d.found; ++i) {
        colours.insert(d.slots[i].color);
        for (int shift : {0, 8, 16})
            EXPECT_EQ(((d.slots[i].color >> shift) & 255) % 51, 0u);
    }
    EXPECT_EQ(colours.size(), std::size_t(d.found));
}
