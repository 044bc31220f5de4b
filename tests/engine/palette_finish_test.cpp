#include "quant/palette_finish.h"
#include "tests/engine/reference_space.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

CColorSpace Space() {
    CColorSpace space;
    space.Init(100, 100, 100, 8);
    return space;
}

std::array<PaletteSlot, 256> Found(const CColorSpace& space, std::vector<std::uint32_t> colours) {
    std::array<PaletteSlot, 256> slots{};
    for (std::size_t i = 0; i < colours.size(); ++i) {
        SpacePoint p;
        space.RgbToSpace(p, colours[i]);
        slots[i] = {colours[i], p.luma};
    }
    return slots;
}

QuantSettings Settings(int colorCount, int add16, int transPosition) {
    QuantSettings s;
    s.colorCount = colorCount;
    s.add16 = add16;
    s.transPosition = transPosition;
    return s;
}

FinishedPalette Finish(const std::array<PaletteSlot, 256>& found, const QuantSettings& s,
                       std::uint32_t transparent = 0x1000000) {
    FinishedPalette out;
    QuantSignal signal;
    EXPECT_EQ(FinishPalette(found, s, transparent, Space(), signal, out), StageResult::Ok);
    return out;
}

// The fixed colours by luminance 0.2989 R + 0.5866 G + 0.1145 B of the toned channels, where
// 128 tones to 0.3907 and 192 to 0.6791: black 0, navy .045, blue .1145, maroon .117, purple
// .162, green .229, teal .274, red .299, olive .346, grey .391, fuchsia .413, lime .587,
// silver .679, aqua .701, yellow .886, white 1.
const std::uint32_t kFixedByLuminance[16] = {
    0x000000, 0x000080, 0x0000FF, 0x800000, 0x800080, 0x008000, 0x008080, 0xFF0000,
    0x808000, 0x808080, 0xFF00FF, 0x00FF00, 0xC0C0C0, 0x00FFFF, 0xFFFF00, 0xFFFFFF};

} // namespace

TEST(FinishPalette, FixedColoursAloneSortByLuminance) {
    const CColorSpace space = Space();
    const FinishedPalette p = Finish(Found(space, {}), Settings(16, 1, -1));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(p.slots[i].color, kFixedByLuminance[i]) << i;
    EXPECT_EQ(p.searchCount, 16);
    EXPECT_EQ(p.transparentIndex, -1);
}

TEST(FinishPalette, FixedColoursThenTransparentEntry) {
    const CColorSpace space = Space();
    const FinishedPalette p = Finish(Found(space, {}), Settings(17, 1, 0), 0x123456);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(p.slots[i].color, kFixedByLuminance[i]) << i;
    EXPECT_EQ(p.slots[16].color, 0x123456u);
    EXPECT_EQ(p.searchCount, 16);
    EXPECT_EQ(p.transparentIndex, 16);
}

TEST(FinishPalette, FoundAndFixedMixThenFillersThenTransparent) {
    const CColorSpace space = Space();
    // Target 239: three colours found, 236 unfilled slots.
    const std::vector<std::uint32_t> found = {0x404040, 0xFFFFFF, 0x2080C0};
    const FinishedPalette p = Finish(Found(space, found), Settings(256, 1, 3), 0xFFFFFF);
    std::vector<std::uint32_t> expected(kFixedByLuminance, kFixedByLuminance + 16);
    expected.insert(expected.end(), found.begin(), found.end());
    std::vector<std::uint32_t> got;
    for (int i = 0; i < 19; ++i) {
        got.push_back(p.slots[i].color);
        if (i > 0) {
            EXPECT_LE(p.slots[i - 1].key, p.slots[i].key) << i;
        }
    }
    std::sort(expected.begin(), expected.end());
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, expected);
    for (int i = 19; i < 255; ++i) {
        EXPECT_EQ(p.slots[i].color, 0u) << i;
        EXPECT_EQ(p.slots[i].key, 0x7FFFFFFF) << i;
    }
    // The transparent entry keeps its colour although white is also in the palette.
    EXPECT_EQ(p.slots[255].color, 0xFFFFFFu);
    EXPECT_EQ(p.searchCount, 255);
    EXPECT_EQ(p.transparentIndex, 255);
}

TEST(FinishPalette, ErrorLimitsSpanThePoints) {
    const CColorSpace space = Space();
    const testref::Space ref(100, 100, 100);
    struct Case {
        const char* name;
        std::vector<std::uint32_t> found;
        QuantSettings settings;
        std::vector<std::uint32_t> colours; // every point that counts
    } cases[] = {
        // The black filler of the third slot counts too.
        {"white and black filler",
         {0xFFFFFF, 0x3060FF},
         Settings(3, 0, -1),
         {0xFFFFFF, 0x3060FF, 0x000000}},
        {"fixed colours",
         {},
         Settings(16, 1, -1),
         std::vector<std::uint32_t>(kFixedByLuminance, kFixedByLuminance + 16)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FinishedPalette p = Finish(Found(space, c.found), c.settings);
        long long lo[3] = {1LL << 40, 1LL << 40, 1LL << 40},
                  hi[3] = {-(1LL << 40), -(1LL << 40), -(1LL << 40)};
        for (std::uint32_t colour : c.colours) {
            const testref::Point q = ref.ToSpace(colour);
            const long long v[3] = {q.yb, q.cr, q.luma};
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], v[k]);
                hi[k] = std::max(hi[k], v[k]);
            }
        }
        for (int k = 0; k < 3; ++k) // each end may differ by one unit of rounding
            EXPECT_LE(std::llabs(p.errorLimit[k] - (hi[k] - lo[k])), 2) << k;
        for (std::size_t i = 0; i < c.colours.size(); ++i) {
            SpacePoint q;
            space.RgbToSpace(q, p.slots[i].color);
            EXPECT_EQ(p.points[i].luma, q.luma);
            EXPECT_EQ(p.points[i].yb, q.yb);
        }
    }
}
