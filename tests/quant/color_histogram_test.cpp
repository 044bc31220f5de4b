#include "quant/color_histogram.h"
#include "tests/quant/model/model_quantizer.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <vector>

namespace {

constexpr std::uint32_t kNone = 0x1000000;

struct Picture {
    int width, height;
    std::vector<std::uint32_t> pixels;
    Picture(int w, int h, std::uint32_t fill)
        : width(w), height(h), pixels(std::size_t(w) * h, fill) {}
    std::uint32_t& at(int x, int y) { return pixels[std::size_t(y) * width + x]; }
};

CColorSpace Space() {
    CColorSpace space;
    space.Init(85, 105, 125, 8);
    return space;
}

// The engine's histogram, after which progress must stand at 425.
std::vector<ColorEntry> Build(const Picture& p, int mask = 0, std::uint32_t transparent = kNone) {
    QuantSignal signal;
    std::vector<ColorEntry> entries;
    EXPECT_EQ(BuildColorHistogram(p.pixels.data(), p.width, p.height, mask, transparent, Space(),
                                  signal, entries),
              StageResult::Ok);
    EXPECT_EQ(signal.m_nProgress.load(), 425);
    return entries;
}

using Weights = std::map<std::uint32_t, std::uint32_t>; // rounded colour -> weight

// The histogram must hold one entry per colour of `expected`, in ascending colour order.
void ExpectHistogram(const Picture& p, const Weights& expected, int mask = 0,
                     std::uint32_t transparent = kNone) {
    const std::vector<ColorEntry> entries = Build(p, mask, transparent);
    ASSERT_EQ(entries.size(), expected.size());
    auto e = entries.begin();
    for (auto [colour, weight] : expected) {
        SpacePoint q;
        Space().RgbToSpace(q, colour);
        EXPECT_TRUE(e->point.yb == q.yb && e->point.cr == q.cr && e->point.luma == q.luma)
            << std::hex << colour;
        EXPECT_EQ(e->weight, weight) << std::hex << colour;
        ++e;
    }
}

void ExpectEntries(const std::vector<ColorEntry>& entries,
                   const std::vector<model::HistogramEntry>& model) {
    ASSERT_EQ(entries.size(), model.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ColorEntry& e = entries[i];
        const model::HistogramEntry& m = model[i];
        EXPECT_TRUE(e.point.yb == m.point.yb && e.point.cr == m.point.cr &&
                    e.point.luma == m.point.luma && e.weight == std::uint32_t(m.weight))
            << "entry " << i;
    }
}

// Every entry as the model of the engine works it out from the rules, one pixel at a time.
std::vector<model::HistogramEntry> ExpectModelHistogram(const Picture& p, int mask = 0,
                                                        std::uint32_t transparent = kNone) {
    QuantSettings settings;
    settings.inputMask = mask;
    const std::vector<model::HistogramEntry> model =
        model::Histogram(p.pixels, p.width, p.height, settings, transparent);
    ExpectEntries(Build(p, mask, transparent), model);
    return model;
}

} // namespace

TEST(ColorHistogram, InputRounding) {
    struct Case {
        int mask, from, to, expected;
    } cases[] = {{7, 244, 255, 248}, {7, 4, 11, 8},      {7, 0, 3, 0}, {3, 254, 255, 252},
                 {3, 2, 5, 4},       {1, 255, 255, 254}, {1, 1, 2, 2}, {0, 77, 77, 77}};
    for (const Case& c : cases)
        for (int v = c.from; v <= c.to; ++v)
            EXPECT_EQ(InputRoundingTable(c.mask)[v], c.expected) << c.mask << " " << v;
    // Rounded colours are counted together.
    Picture p(3, 1, 0xF4F4F4);
    p.at(1, 0) = 0xFFFFFF;
    p.at(2, 0) = 0x030303;
    ExpectHistogram(p, {{0x000000, 1}, {0xF8F8F8, 2}}, 7);
}

TEST(ColorHistogram, UniformPictures) {
    // Inner pixels weigh 8 except those next to the border, which see their neighbours' zero
    // responses: 8 (w - 4)(h - 4) + the rest. Pictures under 3 pixels wide or high have no flags.
    struct Case {
        int w, h;
        std::uint32_t weight;
    } cases[] = {{5, 5, 8 + 24}, {7, 6, 48 + 36}, {40, 5, 288 + 164}, {2, 10, 20},
                 {10, 2, 20},    {1, 1, 1},       {3, 3, 9},          {4, 3, 12}};
    for (const Case& c : cases)
        ExpectHistogram(Picture(c.w, c.h, 0x336699), {{0x336699, c.weight}});
}

// After every row of each pass, in row order even when several threads work on bands of rows:
// 20 + 80 y / height in the gradient pass, 100 + 300 y / height in the flag pass, 425 after the
// runs. Three rows show the truncation; 2^18 pixels in 128 rows are worked on in bands.
TEST(ColorHistogram, ReportsProgressAfterEveryRow) {
    auto expected = [](int h) {
        std::vector<int> reports;
        for (int y = 0; y < h; ++y)
            reports.push_back(20 + 80 * y / h);
        for (int y = 0; y < h; ++y)
            reports.push_back(100 + 300 * y / h);
        reports.push_back(425);
        return reports;
    };
    ASSERT_EQ(expected(3), (std::vector<int>{20, 46, 73, 100, 200, 300, 425}));
    for (const auto& [w, h] : {std::pair{5, 3}, std::pair{2048, 128}}) {
        const Picture p(w, h, 0x204060);
        QuantSignal signal;
        std::vector<int> reports;
        signal.m_onProgress = [&](int value) { reports.push_back(value); };
        std::vector<ColorEntry> entries;
        ASSERT_EQ(BuildColorHistogram(p.pixels.data(), w, h, 0, kNone, Space(), signal, entries),
                  StageResult::Ok);
        EXPECT_EQ(reports, expected(h)) << w << " x " << h;
    }
}

TEST(ColorHistogram, TransparentPixelsAddNothing) {
    // 0x101010 and 0x111111 round alike at 5 bits; only the exact transparent value is left out.
    Picture p(8, 1, 0x101010);
    p.at(1, 0) = p.at(4, 0) = p.at(7, 0) = 0x111111;
    ExpectHistogram(p, {{0x101010, 5}}, 7, 0x111111);
    ExpectHistogram(Picture(6, 6, 0x123456), {}, 0, 0x123456);
}

// Ramps with patches of noise, so that flags vary from pixel to pixel (and one colour is flagged
// in one place and not in another): every entry must be the one the rules give.
TEST(ColorHistogram, WeightsMatchTheModel) {
    std::mt19937 rng(11);
    for (int round = 0; round < 4; ++round) {
        Picture p(37 + round, 29, 0);
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                const bool noisy = (x / 6 + y / 5 + round) % 3 == 0;
                const int r = std::min(x * 3 + (noisy ? int(rng() % (4 << round)) : 0), 255);
                const int b = std::min((x + y) * 2 + (noisy ? int(rng() % 3) : 0), 255);
                p.at(x, y) = std::uint32_t(r) << 16 | std::uint32_t(y * 5 + round) << 8 | b;
            }
        std::uint32_t total = 0;
        for (const model::HistogramEntry& e : ExpectModelHistogram(p))
            total += std::uint32_t(e.weight);
        // Some inner pixels are flagged (8 instead of 1), not all.
        const std::size_t flagged = (total - p.pixels.size()) / 7;
        EXPECT_TRUE(flagged > 0 && flagged < std::size_t(p.width - 2) * (p.height - 2)) << flagged;
    }
}

// A picture large enough to be worked on in bands by several threads, with a transparent colour
// and 6-bit input: every rounded colour weighs what the rules give, pixel by pixel.
TEST(ColorHistogram, BandedPictureMatchesTheModel) {
    std::mt19937 rng(29);
    Picture p(613, 451, 0);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const bool noisy = (x / 40 + y / 30) % 2 == 0;
            const int r = (x / 3 + (noisy ? int(rng() % 24) : 0)) & 255;
            const int g = (y / 2 + x / 9) & 255;
            const int b = noisy ? int(rng() % 256) : 90;
            p.at(x, y) = std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b);
        }
    const std::vector<model::HistogramEntry> model = ExpectModelHistogram(p, 3, p.at(200, 300));

    // Taken in chunks of rows (the last one short), with the counts of each chunk added to the
    // runs of the ones before: the same entries, and progress that only rises, one report per
    // row of each pass and 425 at the end.
    for (const int chunkRows : {64, 192}) {
        SCOPED_TRACE(chunkRows);
        QuantSignal signal;
        std::vector<int> reports;
        signal.m_onProgress = [&](int value) { reports.push_back(value); };
        std::vector<ColorEntry> entries;
        ASSERT_EQ(BuildColorHistogram(PixelRows(p.pixels.data(), p.width), p.width, p.height, 3,
                                      p.at(200, 300), Space(), signal, entries, chunkRows),
                  StageResult::Ok);
        ExpectEntries(entries, model);
        ASSERT_EQ(reports.size(), std::size_t(2 * p.height + 1));
        EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
        EXPECT_EQ(reports.front(), 20);
        EXPECT_EQ(reports[reports.size() - 2], 20 + (80 * 451 + 300 * 450) / 451); // 399
        EXPECT_EQ(reports.back(), 425);
    }
}
