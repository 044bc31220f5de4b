// Palette finishing, and cancelling in each palette stage. The stages strung together are
// tested through the driver (quant_test.cpp) and against the model of the engine.
#include "quant/color_histogram.h"
#include "quant/palette_division.h"
#include "quant/palette_finish.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

CColorSpace Space() {
    CColorSpace space;
    space.Init(100, 100, 100, 8);
    return space;
}

std::array<PaletteSlot, 256> Found(std::vector<std::uint32_t> colours) {
    std::array<PaletteSlot, 256> slots{};
    for (std::size_t i = 0; i < colours.size(); ++i) {
        SpacePoint p;
        Space().RgbToSpace(p, colours[i]);
        slots[i] = {colours[i], p.luma};
    }
    return slots;
}

// The fixed colours by 0.2989 R + 0.5866 G + 0.1145 B of the toned channels (128 tones to
// 0.3907, 192 to 0.6791): black 0, navy .045, blue .1145, maroon .117, purple .162, green .229,
// teal .274, red .299, olive .346, grey .391, fuchsia .413, lime .587, silver .679, aqua .701,
// yellow .886, white 1.
const std::vector<std::uint32_t> kFixedByLuminance = {
    0x000000, 0x000080, 0x0000FF, 0x800000, 0x800080, 0x008000, 0x008080, 0xFF0000,
    0x808000, 0x808080, 0xFF00FF, 0x00FF00, 0xC0C0C0, 0x00FFFF, 0xFFFF00, 0xFFFFFF};

FinishedPalette Finish(const std::vector<std::uint32_t>& found, int colorCount, int add16,
                       int transPosition) {
    const QuantSettings s{.colorCount = colorCount, .add16 = add16, .transPosition = transPosition};
    FinishedPalette p;
    QuantSignal signal;
    EXPECT_EQ(FinishPalette(Found(found), s, 0xFFFFFF, Space(), signal, p), StageResult::Ok);
    return p;
}

std::vector<std::uint32_t> Colours(const FinishedPalette& p, int from, int to) {
    std::vector<std::uint32_t> out;
    for (int i = from; i < to; ++i)
        out.push_back(p.slots[i].color);
    return out;
}

} // namespace

TEST(FinishPalette, FixedColoursAlone) {
    FinishedPalette p = Finish({}, 16, 1, -1);
    EXPECT_EQ(Colours(p, 0, 16), kFixedByLuminance);
    EXPECT_EQ(p.searchCount, 16);
    EXPECT_EQ(p.transparentIndex, -1);
    // Blue 0.4 x 4177920 against yellow -0.4 x 4177920 on yb; red 0.4 against aqua -0.3999 on
    // cr; black against white on luma. Each end may be rounded by one unit.
    EXPECT_NEAR(p.errorLimit[0], 3342336, 2);
    EXPECT_NEAR(p.errorLimit[1], 3341918, 2);
    EXPECT_EQ(p.errorLimit[2], 4177920);

    p = Finish({}, 17, 1, 0);
    EXPECT_EQ(Colours(p, 0, 16), kFixedByLuminance);
    EXPECT_EQ(p.slots[16].color, 0xFFFFFFu); // the transparent colour
    EXPECT_EQ(p.searchCount, 16);
    EXPECT_EQ(p.transparentIndex, 16);
}

TEST(FinishPalette, FoundAndFixedMixThenFillersThenTransparent) {
    // Target 239: three colours found, mixed with the fixed 16 by luminance, then 236 black
    // fillers, then the transparent entry: white, although white is already there.
    const std::vector<std::uint32_t> found = {0x404040, 0xFFFFFF, 0x2080C0};
    const FinishedPalette p = Finish(found, 256, 1, 3);
    std::vector<std::uint32_t> head = Colours(p, 0, 19), mixed = kFixedByLuminance;
    for (int i = 1; i < 19; ++i)
        EXPECT_LE(p.slots[i - 1].key, p.slots[i].key) << i;
    mixed.insert(mixed.end(), found.begin(), found.end());
    std::sort(head.begin(), head.end());
    std::sort(mixed.begin(), mixed.end());
    EXPECT_EQ(head, mixed);
    EXPECT_EQ(Colours(p, 19, 255), std::vector<std::uint32_t>(236, 0));
    EXPECT_EQ(p.slots[255].color, 0xFFFFFFu);
    EXPECT_EQ(p.searchCount, 255);
    EXPECT_EQ(p.transparentIndex, 255);
    // The fillers' black points count: the luma limit still spans black to white.
    EXPECT_EQ(Finish({0xFFFFFF}, 2, 0, -1).errorLimit[2], 4177920);
}

TEST(PaletteStages, EveryStageStopsOnRequest) {
    const CColorSpace space = Space();
    QuantSignal signal;
    signal.m_bCancel = 1;
    std::vector<std::uint32_t> pixels(64, 0x336699);
    std::vector<ColorEntry> entries;
    EXPECT_EQ(BuildColorHistogram(pixels.data(), 8, 8, 0, 0x1000000, space, signal, entries),
              StageResult::Cancelled);
    EXPECT_TRUE(entries.empty());
    entries.resize(2);
    entries[0].weight = entries[1].weight = 1;
    entries[1].point.luma = 1000000;
    std::array<PaletteSlot, 256> slots;
    int found = 0;
    EXPECT_EQ(DividePalette(entries, 4, space, signal, slots, found), StageResult::Cancelled);
    FinishedPalette p;
    EXPECT_EQ(FinishPalette(slots, QuantSettings{}, 0x1000000, space, signal, p),
              StageResult::Cancelled);
}
