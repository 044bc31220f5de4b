#include "quant/color_histogram.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <vector>

namespace {

constexpr std::uint32_t kNoTransparent = 0x1000000;

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

std::vector<ColorEntry> Histogram(const Picture& p, int inputMask = 0,
                                  std::uint32_t transparent = kNoTransparent) {
    QuantSignal signal;
    std::vector<ColorEntry> entries;
    EXPECT_EQ(BuildColorHistogram(p.pixels.data(), p.width, p.height, inputMask, transparent,
                                  Space(), signal, entries),
              StageResult::Ok);
    EXPECT_EQ(signal.m_nProgress.load(), 425);
    return entries;
}

bool IsPointOf(const ColorEntry& e, std::uint32_t colour) {
    SpacePoint p;
    Space().RgbToSpace(p, colour);
    return e.point.yb == p.yb && e.point.cr == p.cr && e.point.luma == p.luma;
}

// The weight of every pixel written straight from the rules, one pixel at a time, with the
// six response bytes of a pixel side by side; no structure shared with the engine.
std::vector<int> ReferenceWeights(const Picture& p) {
    const int w = p.width, h = p.height;
    std::vector<std::uint8_t> grad(std::size_t(w) * h * 6, 0);
    const int kx[9] = {1, 0, -1, 2, 0, -2, 1, 0, -1};
    const int ky[9] = {1, 2, 1, 0, 0, 0, -1, -2, -1};
    auto value = [&](int x, int y, int ch) {
        return int(p.pixels[std::size_t(y) * w + x] >> (8 * ch)) & 255;
    };
    for (int y = 1; y + 1 < h; ++y)
        for (int x = 1; x + 1 < w; ++x)
            for (int ch = 0; ch < 3; ++ch) {
                int gx = 0, gy = 0, largest = 0, smallest = 1000;
                for (int k = 0; k < 9; ++k) {
                    const int v = value(x - 1 + k % 3, y - 1 + k / 3, ch);
                    gx += kx[k] * (v - value(x, y, ch));
                    gy += ky[k] * (v - value(x, y, ch));
                    largest = std::max(largest, v);
                    smallest = std::min(smallest, v);
                }
                const int range = std::max(largest - smallest, 8);
                const double rx = std::clamp(128 - 64.0 * gx / range, 0.0, 255.0);
                const double ry = std::clamp(128 - 64.0 * gy / range, 0.0, 255.0);
                grad[(std::size_t(y) * w + x) * 6 + 2 * ch] = std::uint8_t(rx);
                grad[(std::size_t(y) * w + x) * 6 + 2 * ch + 1] = std::uint8_t(ry);
            }
    std::vector<int> weights(std::size_t(w) * h, 1);
    for (int y = 1; y + 1 < h; ++y)
        for (int x = 1; x + 1 < w; ++x) {
            const std::uint8_t* c = &grad[(std::size_t(y) * w + x) * 6];
            double s[3] = {0, 0, 0};
            for (int k = 0; k < 9; ++k) {
                const std::uint8_t* n = &grad[(std::size_t(y - 1 + k / 3) * w + x - 1 + k % 3) * 6];
                for (int ch = 0; ch < 3; ++ch) {
                    const double dx = n[2 * ch] - c[2 * ch], dy = n[2 * ch + 1] - c[2 * ch + 1];
                    s[ch] += std::sqrt(dx * dx + dy * dy);
                }
            }
            const double v = std::clamp(
                255 - std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]) / 8, 0.0, 255.0);
            if (int(v) >= 160)
                weights[std::size_t(y) * w + x] = 8;
        }
    return weights;
}

} // namespace

TEST(ColorHistogram, InputRoundingTable) {
    struct Case {
        const char* name;
        int mask, from, to, expected;
    } cases[] = {
        {"5 bit top never reaches 256", 7, 244, 255, 248},
        {"5 bit around 8", 7, 4, 11, 8},
        {"5 bit bottom", 7, 0, 3, 0},
        {"6 bit top", 3, 254, 255, 252},
        {"6 bit half rounds up", 3, 2, 5, 4},
        {"7 bit top", 1, 255, 255, 254},
        {"7 bit odd rounds up", 1, 1, 2, 2},
    };
    for (const Case& c : cases) {
        const auto t = InputRoundingTable(c.mask);
        for (int v = c.from; v <= c.to; ++v)
            EXPECT_EQ(t[v], c.expected) << c.name << " at " << v;
    }
    const auto identity = InputRoundingTable(0);
    for (int v = 0; v < 256; ++v)
        EXPECT_EQ(identity[v], v);
}

TEST(ColorHistogram, UniformPictureWeighsInnerPixelsEightfold) {
    struct Size {
        int w, h;
    } sizes[] = {{5, 5}, {7, 6}, {12, 9}, {40, 5}};
    for (const Size& s : sizes) {
        const auto entries = Histogram(Picture(s.w, s.h, 0x336699));
        ASSERT_EQ(entries.size(), 1u);
        // Pixels next to the border see their neighbours' zero responses and stay unflagged.
        const std::uint32_t inner = 8u * (s.w - 4) * (s.h - 4);
        EXPECT_EQ(entries[0].weight, inner + (s.w * s.h - (s.w - 4) * (s.h - 4)))
            << s.w << "x" << s.h;
        EXPECT_TRUE(IsPointOf(entries[0], 0x336699));
    }
}

TEST(ColorHistogram, NarrowPicturesCountEveryPixelOnce) {
    for (auto [w, h] : {std::pair{2, 10}, std::pair{10, 2}, std::pair{1, 1}, std::pair{4, 4}}) {
        const auto entries = Histogram(Picture(w, h, 0x808080));
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].weight, std::uint32_t(w * h)) << w << "x" << h;
    }
}

TEST(ColorHistogram, FlaggedAndUnflaggedPixelsShareOneEntry) {
    // The centre of a 7 x 7 picture differs by one level from its surroundings and stays
    // smooth; the same colour in a corner has no flag: 8 + 1.
    Picture p(7, 7, 0x101010);
    p.at(3, 3) = 0x111111;
    p.at(6, 6) = 0x111111;
    const auto entries = Histogram(p);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(IsPointOf(entries[1], 0x111111));
    EXPECT_EQ(entries[1].weight, 9u);
}

TEST(ColorHistogram, DetailCountsOnce) {
    // Stripes two pixels wide: every inner pixel has a neighbour column of opposite response.
    Picture p(12, 12, 0);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            p.at(x, y) = (x / 2) % 2 ? 0xFFFFFF : 0x000000;
    const auto entries = Histogram(p);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].weight, 72u);
    EXPECT_EQ(entries[1].weight, 72u);
}

TEST(ColorHistogram, TransparentPixelsAddNothing) {
    // 0x101010 and 0x111111 round to the same colour at 5 bits; only the exact transparent
    // value is left out.
    Picture p(8, 1, 0x101010);
    p.at(1, 0) = p.at(4, 0) = p.at(7, 0) = 0x111111;
    auto entries = Histogram(p, 7, 0x111111);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].weight, 5u);
    EXPECT_TRUE(IsPointOf(entries[0], 0x101010));

    EXPECT_TRUE(Histogram(Picture(6, 6, 0x123456), 0, 0x123456).empty());
}

TEST(ColorHistogram, EntriesAscendInRoundedColour) {
    Picture p(6, 1, 0);
    const std::uint32_t colours[] = {0xFFFFFF, 0x00FF00, 0xF4F4F4, 0x0000FF, 0x010203, 0xFF0000};
    for (int x = 0; x < 6; ++x)
        p.at(x, 0) = colours[x];
    // At 5 bits 0x010203 becomes black, 0xF4F4F4 and 0xFFFFFF both 0xF8F8F8, and the full
    // primaries 0xF8.
    const std::uint32_t rounded[] = {0x000000, 0x0000F8, 0x00F800, 0xF80000, 0xF8F8F8};
    const auto entries = Histogram(p, 7);
    ASSERT_EQ(entries.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(IsPointOf(entries[i], rounded[i])) << i;
    EXPECT_EQ(entries[4].weight, 2u);
}

TEST(ColorHistogram, ManyColoursCountedLikeAMap) {
    std::mt19937 rng(7);
    Picture p(4096, 2, 0);
    for (auto& px : p.pixels)
        px = rng() & 0xFFFFFF;
    const auto t = InputRoundingTable(3);
    std::map<std::uint32_t, std::uint32_t> counts;
    for (std::uint32_t px : p.pixels)
        ++counts[std::uint32_t(t[px >> 16 & 255]) << 16 | t[px >> 8 & 255] << 8 | t[px & 255]];
    const auto entries = Histogram(p, 3);
    ASSERT_EQ(entries.size(), counts.size());
    std::size_t i = 0;
    for (auto [colour, weight] : counts) {
        ASSERT_TRUE(IsPointOf(entries[i], colour)) << i;
        ASSERT_EQ(entries[i].weight, weight) << i;
        ++i;
    }
}

// Smooth ramps with patches of noise: flags vary from pixel to pixel, and every weight must be
// the one the rules give.
TEST(ColorHistogram, WeightsMatchIndependentModel) {
    std::mt19937 rng(11);
    for (int round = 0; round < 4; ++round) {
        Picture p(37 + round, 29, 0);
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                int r = x * 3, g = y * 5 + round, b = (x + y) * 2;
                if ((x / 6 + y / 5 + round) % 3 == 0) {
                    r += rng() % (4 << round);
                    b += rng() % 3;
                }
                p.at(x, y) = std::uint32_t(std::min(r, 255)) << 16 |
                             std::uint32_t(std::min(g, 255)) << 8 | std::uint32_t(std::min(b, 255));
            }
        const std::vector<int> weights = ReferenceWeights(p);
        std::map<std::uint32_t, std::uint32_t> expected;
        for (std::size_t i = 0; i < p.pixels.size(); ++i)
            expected[p.pixels[i]] += weights[i];
        const auto entries = Histogram(p);
        ASSERT_EQ(entries.size(), expected.size());
        std::size_t i = 0;
        int flagged = 0;
        for (auto [colour, weight] : expected) {
            ASSERT_TRUE(IsPointOf(entries[i], colour));
            ASSERT_EQ(entries[i].weight, weight) << std::hex << colour;
            ++i;
        }
        for (int w : weights)
            flagged += w == 8;
        EXPECT_GT(flagged, 0);
        EXPECT_LT(flagged, p.width * p.height - 2 * (p.width + p.height));
    }
}

TEST(ColorHistogram, EmptyPictureGivesNoEntries) {
    QuantSignal signal;
    std::vector<ColorEntry> entries(3);
    EXPECT_EQ(BuildColorHistogram(nullptr, 0, 5, 0, kNoTransparent, Space(), signal, entries),
              StageResult::Ok);
    EXPECT_TRUE(entries.empty());
}
