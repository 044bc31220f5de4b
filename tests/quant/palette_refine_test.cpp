// Palette refinement, checked by its properties on seeded photograph-like pictures: it never makes
// the palette worse on the histogram, leaves reserved entries alone, keeps the palette finished
// (on the output grid, in luminance order), and does not depend on the number of threads.
#include "quant/color_histogram.h"
#include "quant/palette_division.h"
#include "quant/palette_finish.h"
#include "quant/palette_refine.h"
#include "quant/quant.h"
#include "tests/support/dib_builder.h"
#include "tests/support/test_seed.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

constexpr int kWidth = 96, kHeight = 64;

// Smooth gradients with noise, a flat patch and a few hard edges: many colours, some of them far
// more common than the rest.
std::vector<std::uint32_t> Photo(std::mt19937& random) {
    std::vector<std::uint32_t> pixels;
    std::uniform_int_distribution<int> noise(-6, 6), pick(0, 255);
    const int r0 = pick(random), g0 = pick(random), b0 = pick(random);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const auto channel = [&](int base, int slope) {
                return std::clamp(base + slope + noise(random), 0, 255);
            };
            std::uint32_t r = channel(r0, 2 * x - y), g = channel(g0, 3 * y - x),
                          b = channel(b0, x + y);
            if (x > 60 && y < 20)
                r = 200, g = 40, b = 60; // a flat patch
            if ((x / 24 + y / 16) % 3 == 0)
                std::swap(r, b); // hard edges
            pixels.push_back(r << 16 | g << 8 | b);
        }
    return pixels;
}

// The weighted squared distance of every histogram colour to its nearest searchable entry.
long double Error(const std::vector<ColorEntry>& entries, const FinishedPalette& p) {
    long double total = 0;
    for (const ColorEntry& e : entries) {
        double best = CColorSpace::Distance2(e.point, p.points[0]);
        for (int i = 1; i < p.searchCount; ++i)
            best = std::min(best, CColorSpace::Distance2(e.point, p.points[i]));
        total += static_cast<long double>(e.weight) * best;
    }
    return total;
}

bool Same(const FinishedPalette& a, const FinishedPalette& b) {
    for (int i = 0; i < 256; ++i)
        if (a.slots[i].color != b.slots[i].color || a.slots[i].key != b.slots[i].key ||
            a.slots[i].fixed != b.slots[i].fixed)
            return false;
    return std::memcmp(a.points, b.points, sizeof a.points) == 0 &&
           std::memcmp(a.errorLimit, b.errorLimit, sizeof a.errorLimit) == 0 &&
           a.searchCount == b.searchCount && a.transparentIndex == b.transparentIndex;
}

// Whether every channel of `color` is a level of the output grid: n levels per channel are
// floor(i * 256 / (n - 1)), capped at 255.
bool OnGrid(std::uint32_t color, int levels) {
    for (int shift : {0, 8, 16}) {
        const int v = (color >> shift) & 255;
        bool found = false;
        for (int i = 0; i < levels; ++i)
            found = found || std::min(255, i * 256 / (levels - 1)) == v;
        if (!found)
            return false;
    }
    return true;
}

const std::uint32_t kFixedColours[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                         0x808000, 0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF,
                                         0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

struct RefineCase {
    const char* name;
    QuantSettings settings;
    int levels; // grid levels per channel of settings.outPrecision
};

QuantSettings Make(int colorCount, int add16, int transPosition, int outPrecision,
                   int weightYB = 85) {
    QuantSettings s;
    s.colorCount = colorCount, s.add16 = add16, s.transPosition = transPosition;
    s.outPrecision = outPrecision, s.weightYB = weightYB;
    return s;
}

// The stages before refinement: the picture's histogram (into `entries`), its division and the
// finished palette.
FinishedPalette FinishedFor(const std::vector<std::uint32_t>& pixels, const QuantSettings& s,
                            std::uint32_t trans, const CColorSpace& space,
                            std::vector<ColorEntry>& entries) {
    QuantSignal signal;
    FinishedPalette finished;
    std::array<PaletteSlot, 256> found{};
    int foundCount = 0;
    EXPECT_EQ(BuildColorHistogram(pixels.data(), kWidth, kHeight, s.inputMask, trans, space, signal,
                                  entries),
              StageResult::Ok);
    EXPECT_EQ(DividePalette(entries, s.Target(), space, signal, found, foundCount),
              StageResult::Ok);
    EXPECT_EQ(FinishPalette(found, s, trans, space, signal, finished), StageResult::Ok);
    return finished;
}

} // namespace

TEST(RefinePalette, NeverWorseReservedEntriesStayAndThreadsChangeNothing) {
    const TestSeed seed(1717);
    std::mt19937 random(seed.value());
    const RefineCase cases[] = {
        {"256 colours", Make(256, 0, -1, 8), 256},
        {"16 colours", Make(16, 0, -1, 8), 256},
        {"fixed colours and transparency", Make(48, 1, 2, 8, 135), 256},
        {"Web grid", Make(24, 0, -1, 0), 6},
        {"444 grid with fixed colours", Make(40, 1, -1, 3), 16},
    };
    int changed = 0;
    for (int picture = 0; picture < 3; ++picture) {
        const std::vector<std::uint32_t> pixels = Photo(random);
        for (const RefineCase& c : cases) {
            SCOPED_TRACE(::testing::Message() << c.name << ", picture " << picture);
            const QuantSettings& s = c.settings;
            CColorSpace space;
            space.Init(s.weightYB, s.weightCR, s.weightGM, s.outPrecision);
            const std::uint32_t trans = s.transPosition >= 0 ? pixels[kWidth - 1] : 0x1000000;
            QuantSignal signal;
            std::vector<ColorEntry> entries;
            const FinishedPalette finished = FinishedFor(pixels, s, trans, space, entries);

            FinishedPalette untouched = finished;
            ASSERT_EQ(RefinePalette(entries, 0, space, 1, signal, untouched), StageResult::Ok);
            EXPECT_TRUE(Same(untouched, finished)) << "no passes, no change";

            FinishedPalette refined = finished, onFour = finished;
            ASSERT_EQ(RefinePalette(entries, 4, space, 1, signal, refined), StageResult::Ok);
            ASSERT_EQ(RefinePalette(entries, 4, space, 4, signal, onFour), StageResult::Ok);
            EXPECT_TRUE(Same(refined, onFour)) << "one thread and four";
            changed += Same(refined, finished) ? 0 : 1;

            EXPECT_LE(Error(entries, refined), Error(entries, finished));

            const int count = refined.searchCount;
            EXPECT_EQ(count, finished.searchCount);
            EXPECT_EQ(refined.transparentIndex, finished.transparentIndex);
            if (s.transPosition >= 0) {
                EXPECT_EQ(refined.slots[s.colorCount - 1].color, trans);
            }
            for (int f = 0; f < (s.add16 ? 16 : 0); ++f)
                EXPECT_NE(std::find_if(refined.slots.begin(), refined.slots.begin() + count,
                                       [&](const PaletteSlot& p) {
                                           return p.fixed && p.color == kFixedColours[f];
                                       }),
                          refined.slots.begin() + count)
                    << std::hex << kFixedColours[f];

            // Still a finished palette: luminance order, the points of its colours, and every
            // colour not fixed on the output grid.
            for (int i = 0; i < count; ++i) {
                const PaletteSlot& slot = refined.slots[i];
                SpacePoint p;
                space.RgbToSpace(p, slot.color);
                EXPECT_EQ(std::memcmp(&p, &refined.points[i], sizeof p), 0) << "entry " << i;
                if (slot.key != PaletteSlot::kUnfilledKey) {
                    EXPECT_EQ(slot.key, p.luma) << "entry " << i;
                }
                if (i > 0) {
                    EXPECT_LE(refined.slots[i - 1].key, slot.key) << "entry " << i;
                }
                EXPECT_TRUE(slot.fixed || OnGrid(slot.color, c.levels)) << std::hex << slot.color;
            }
        }
    }
    EXPECT_GE(changed, 10) << "refinement should move entries on most of these pictures";
}

// A whole run with refinement maps every pixel to the nearest entry of the refined palette, as
// the stages strung together by hand give it.
TEST(RefinePalette, RunMapsOntoTheRefinedPalette) {
    const TestSeed seed(1718);
    std::mt19937 random(seed.value());
    const std::vector<std::uint32_t> pixels = Photo(random);
    QuantSettings s = Make(32, 0, -1, 8);
    s.refinePasses = 3;
    CColorSpace space;
    space.Init(s.weightYB, s.weightCR, s.weightGM, s.outPrecision);
    QuantSignal signal;
    std::vector<ColorEntry> entries;
    FinishedPalette palette = FinishedFor(pixels, s, 0x1000000, space, entries);
    ASSERT_EQ(RefinePalette(entries, s.refinePasses, space, 1, signal, palette), StageResult::Ok);

    const DibHandle source = MakeDib24(kWidth, kHeight, pixels);
    CPixelArray graph;
    graph.SetSource(&source);
    ASSERT_EQ(CQuant(s).Quantize(graph, signal, {}), QuantResult::Done);
    const DibHandle result = graph.TakeResult();
    ASSERT_EQ(DibGetBitCount(result.data()), 8);
    for (int i = 0; i < s.colorCount; ++i)
        EXPECT_EQ(ReadU32(result.data() + 40 + 4 * i) & 0xFFFFFF, palette.slots[i].color) << i;
    const std::uint8_t* bits = DibGetBits(result.data());
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            SpacePoint p;
            space.RgbToSpace(p, pixels[y * kWidth + x]);
            int nearest = 0; // the lowest index of equally near entries
            for (int i = 1; i < palette.searchCount; ++i)
                if (CColorSpace::Distance2(p, palette.points[i]) <
                    CColorSpace::Distance2(p, palette.points[nearest]))
                    nearest = i;
            ASSERT_EQ(bits[(kHeight - 1 - y) * kWidth + x], nearest) << x << ", " << y;
        }
}

// An entry moves only where it is nearer to its colours. Green 1 (weight 5) and green 0 (weight
// 4) lie in the steepest part of the tone curve: their mean, nearer green 1 in the colour space,
// converts back to green 0.28, which rounds to green 0; going there would make the entry worse.
TEST(RefinePalette, NoMoveThatTakesAnEntryFartherFromItsColours) {
    CColorSpace space;
    space.Init(85, 105, 125, 8);
    std::vector<ColorEntry> entries(2);
    space.RgbToSpace(entries[0].point, 0xCC011C);
    entries[0].weight = 5;
    space.RgbToSpace(entries[1].point, 0xCC001C);
    entries[1].weight = 4;
    FinishedPalette palette;
    palette.slots[0] = {0xCC011C, entries[0].point.luma};
    palette.points[0] = entries[0].point;
    palette.searchCount = 1;
    const FinishedPalette before = palette;
    QuantSignal signal;
    ASSERT_EQ(RefinePalette(entries, 1, space, 1, signal, palette), StageResult::Ok);
    EXPECT_LE(Error(entries, palette), Error(entries, before));
    EXPECT_EQ(palette.slots[0].color, 0xCC011Cu);
}
