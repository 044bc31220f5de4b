// Palette finishing, and the palette stages strung together as a run does on small pictures
// whose palettes can be worked out by hand.
#include "quant/color_histogram.h"
#include "quant/palette_division.h"
#include "quant/palette_finish.h"
#include "tests/engine/reference_space.h"

#include <algorithm>
#include <cstdlib>
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

} // namespace

TEST(FinishPalette, Orders) {
    struct Case {
        const char* name;
        std::vector<std::uint32_t> found;
        int colorCount, add16, transPosition;
        std::vector<std::uint32_t>
            palette; // sorted within each group of `sortedGroup` first entries
        int sortedGroup, searchCount, transparentIndex;
    } cases[] = {
        {"16 with fixed colours", {}, 16, 1, -1, kFixedByLuminance, 0, 16, -1},
        {"17 with fixed colours and transparency", {}, 17, 1, 0, kFixedByLuminance, 0, 16, 16},
        // Target 239: three colours found and the fixed 16 mixed by luminance, then 236 black
        // fillers, then the transparent entry, white although white is already there.
        {"256 with fixed colours and transparency",
         {0x404040, 0xFFFFFF, 0x2080C0},
         256,
         1,
         3,
         {},
         19,
         255,
         255},
        // Two found, one black filler: the filler's point counts for the error limits.
        {"filler", {0xFFFFFF, 0x3060FF}, 3, 0, -1, {0x3060FF, 0xFFFFFF, 0}, 0, 3, -1},
    };
    const testref::Space ref(100, 100, 100);
    for (const Case& c : cases) {
        FinishedPalette p;
        QuantSettings s;
        s.colorCount = c.colorCount, s.add16 = c.add16, s.transPosition = c.transPosition;
        QuantSignal signal;
        ASSERT_EQ(FinishPalette(Found(c.found), s, 0xFFFFFF, Space(), signal, p), StageResult::Ok);
        std::vector<std::uint32_t> got;
        for (int i = 0; i < c.colorCount; ++i)
            got.push_back(p.slots[i].color);
        if (c.sortedGroup == 0) {
            std::vector<std::uint32_t> expected = c.palette;
            if (c.transPosition >= 0)
                expected.push_back(0xFFFFFF);
            EXPECT_EQ(got, expected) << c.name;
        } else {
            std::vector<std::uint32_t> mixed(kFixedByLuminance);
            mixed.insert(mixed.end(), c.found.begin(), c.found.end());
            std::vector<std::uint32_t> head(got.begin(), got.begin() + c.sortedGroup);
            for (int i = 1; i < c.sortedGroup; ++i)
                EXPECT_LE(p.slots[i - 1].key, p.slots[i].key) << c.name;
            std::sort(head.begin(), head.end());
            std::sort(mixed.begin(), mixed.end());
            EXPECT_EQ(head, mixed) << c.name;
            EXPECT_EQ(std::vector<std::uint32_t>(got.begin() + c.sortedGroup, got.end()), [&] {
                std::vector<std::uint32_t> tail(236, 0);
                tail.push_back(0xFFFFFF);
                return tail;
            }()) << c.name;
        }
        EXPECT_EQ(p.searchCount, c.searchCount) << c.name;
        EXPECT_EQ(p.transparentIndex, c.transparentIndex) << c.name;
        // Error limits: the extent of the searchable points, from the model (each end +-1).
        long long lo[3] = {1LL << 40, 1LL << 40, 1LL << 40}, hi[3] = {-lo[0], -lo[0], -lo[0]};
        for (int i = 0; i < c.searchCount; ++i) {
            const testref::Point q = ref.ToSpace(p.slots[i].color);
            const long long v[3] = {q.yb, q.cr, q.luma};
            for (int k = 0; k < 3; ++k)
                lo[k] = std::min(lo[k], v[k]), hi[k] = std::max(hi[k], v[k]);
        }
        for (int k = 0; k < 3; ++k)
            EXPECT_LE(std::llabs(p.errorLimit[k] - (hi[k] - lo[k])), 2) << c.name << " " << k;
    }
}

TEST(PaletteStages, FiveColoursReducedToEight) {
    const std::uint32_t colours[5] = {0xFF0000, 0x00FF00, 0x0000FF, 0x808080, 0xFFFF00};
    std::vector<std::uint32_t> pixels; // five bands of 4 x 6 pixels
    for (int i = 0; i < 20 * 6; ++i)
        pixels.push_back(colours[i % 20 / 4]);
    PanelValues panel; // "8 bit" in, "888" out, no fixed colours, no transparency
    panel.m_nBitSet = 3;
    panel.m_nNumBit = 8;
    const QuantSettings s = QuantSettings::FromPanel(panel);
    CColorSpace space;
    space.Init(s.weightYB, s.weightCR, s.weightGM, s.outPrecision);
    QuantSignal signal;
    std::vector<ColorEntry> entries;
    std::array<PaletteSlot, 256> slots;
    int found = 0;
    FinishedPalette p;
    ASSERT_EQ(
        BuildColorHistogram(pixels.data(), 20, 6, s.inputMask, 0x1000000, space, signal, entries),
        StageResult::Ok);
    ASSERT_EQ(DividePalette(entries, s.Target(), space, signal, slots, found), StageResult::Ok);
    ASSERT_EQ(FinishPalette(slots, s, 0x1000000, space, signal, p), StageResult::Ok);

    // Each colour is a box of its own, represented by its own point converted back: the colour
    // itself up to one level per channel. The model orders the colours by luminance.
    const testref::Space ref(s.weightYB, s.weightCR, s.weightGM);
    std::vector<std::pair<long long, std::uint32_t>> byLuma;
    for (std::uint32_t c : colours)
        byLuma.push_back({ref.ToSpace(c).luma, c});
    std::sort(byLuma.begin(), byLuma.end());
    ASSERT_EQ(found, 5);
    for (int i = 0; i < 8; ++i)
        for (int shift : {0, 8, 16}) {
            const int expected = i < 5 ? int(byLuma[i].second >> shift & 255) : 0;
            EXPECT_LE(std::abs(int(p.slots[i].color >> shift & 255) - expected), i < 5 ? 1 : 0)
                << i;
        }
    EXPECT_EQ(p.searchCount, 8);
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
