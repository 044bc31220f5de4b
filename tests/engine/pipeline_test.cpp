// The palette stages strung together as a run does, on small pictures whose palettes can be
// worked out by hand.
#include "quant/color_histogram.h"
#include "quant/palette_division.h"
#include "quant/palette_finish.h"
#include "tests/engine/reference_space.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

TEST(PaletteStages, FiveColoursReducedToEight) {
    const std::uint32_t colours[5] = {0xFF0000, 0x00FF00, 0x0000FF, 0x808080, 0xFFFF00};
    // Five vertical bands of 4 x 6 pixels.
    const int width = 20, height = 6;
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(colours[x / 4]);

    PanelValues panel; // "8 bit" in, "888" out, no fixed colours, no transparent entry
    panel.m_nBitSet = 3;
    panel.m_nNumBit = 8;
    const QuantSettings settings = QuantSettings::FromPanel(panel);
    ASSERT_EQ(settings.Target(), 8);
    CColorSpace space;
    space.Init(settings.weightYB, settings.weightCR, settings.weightGM, settings.outPrecision);
    QuantSignal signal;

    std::vector<ColorEntry> entries;
    ASSERT_EQ(BuildColorHistogram(pixels.data(), width, height, settings.inputMask, 0x1000000,
                                  space, signal, entries),
              StageResult::Ok);
    ASSERT_EQ(entries.size(), 5u);
    std::array<PaletteSlot, 256> slots;
    int found = 0;
    ASSERT_EQ(DividePalette(entries, settings.Target(), space, signal, slots, found),
              StageResult::Ok);
    ASSERT_EQ(found, 5);
    FinishedPalette palette;
    ASSERT_EQ(FinishPalette(slots, settings, 0x1000000, space, signal, palette), StageResult::Ok);

    // Each colour is a box of its own: its representative is its own point converted back, and
    // the palette runs darkest first.
    const testref::Space ref(settings.weightYB, settings.weightCR, settings.weightGM);
    std::vector<std::pair<long long, std::uint32_t>> expected;
    for (std::uint32_t c : colours) {
        const testref::Point p = ref.ToSpace(c);
        const std::uint32_t back = ref.ToRgb(p.yb, p.cr, p.luma);
        for (int shift : {0, 8, 16})
            ASSERT_LE(std::abs(int((back >> shift) & 255) - int((c >> shift) & 255)), 1);
        expected.push_back({ref.ToSpace(back).luma, back});
    }
    std::sort(expected.begin(), expected.end());
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(palette.slots[i].color, expected[i].second) << i;
    for (int i = 5; i < 8; ++i)
        EXPECT_EQ(palette.slots[i].color, 0u) << i;
    EXPECT_EQ(palette.searchCount, 8);
    EXPECT_EQ(palette.transparentIndex, -1);
}

TEST(PaletteStages, EveryStageStopsOnRequest) {
    CColorSpace space;
    space.Init(85, 105, 125, 8);
    QuantSignal signal;
    signal.m_bCancel = 1;
    std::vector<std::uint32_t> pixels(64, 0x336699);
    pixels[9] = 0x000000;

    std::vector<ColorEntry> entries;
    EXPECT_EQ(BuildColorHistogram(pixels.data(), 8, 8, 0, 0x1000000, space, signal, entries),
              StageResult::Cancelled);
    EXPECT_TRUE(entries.empty());

    entries.resize(2);
    space.RgbToSpace(entries[0].point, 0x336699);
    space.RgbToSpace(entries[1].point, 0x000000);
    entries[0].weight = entries[1].weight = 1;
    std::array<PaletteSlot, 256> slots;
    int found = 0;
    EXPECT_EQ(DividePalette(entries, 4, space, signal, slots, found), StageResult::Cancelled);

    FinishedPalette palette;
    EXPECT_EQ(FinishPalette(slots, QuantSettings{}, 0x1000000, space, signal, palette),
              StageResult::Cancelled);
}
