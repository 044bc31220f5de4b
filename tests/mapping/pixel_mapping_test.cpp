#include "mapping/pixel_mapping.h"
#include "tests/support/test_seed.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr const char* kMethodNames[] = {"(none)", "GPeanos", "error diffusion", "average error",
                                        "cartoon"};

// A picture, a palette and everything MapPixels needs, with the panel's default weights. The
// mapping methods themselves are compared with the model of the engine (tests/quant/model);
// these tests cover what that comparison does not reach: the patterns, cancelling, large
// pictures.
struct Fixture {
    int width, height;
    std::vector<std::uint32_t> pixels;
    std::vector<std::uint8_t> indices;
    std::vector<std::uint32_t> palette;
    CColorSpace space;
    std::unique_ptr<CNearestSearch> nearest = std::make_unique<CNearestSearch>();
    QuantSignal signal;
    MapJob job;

    Fixture(int w, int h, std::vector<std::uint32_t> colours, std::uint32_t fill = 0)
        : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, fill),
          indices(pixels.size(), 0xEE), palette(std::move(colours)) {
        space.Init(85, 105, 125, 8);
        job.width = w;
        job.height = h;
        job.space = &space;
        job.nearest = nearest.get();
        job.signal = &signal;
    }

    // The error limits are the palette's extent on each axis.
    void Prepare(int mode, int level) {
        std::vector<SpacePoint> points(palette.size());
        for (std::size_t i = 0; i < palette.size(); ++i)
            space.RgbToSpace(points[i], palette[i]);
        EXPECT_TRUE(nearest->SetPalette(points.data(), static_cast<int>(points.size())));
        for (int a = 0; a < 3; ++a) {
            int lo = INT32_MAX, hi = INT32_MIN;
            for (const SpacePoint& p : points) {
                const int v = a == 0 ? p.yb : a == 1 ? p.cr : p.luma;
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
            job.limits[a] = hi - lo;
        }
        job.pixels = PixelRows(pixels.data(), width);
        job.indices = indices.data();
        job.indexStride = width;
        job.ditherMode = mode;
        job.ditherLevel = level;
    }

    std::vector<std::uint8_t> Map(int mode, int level) {
        Prepare(mode, level);
        std::fill(indices.begin(), indices.end(), 0xEE);
        EXPECT_EQ(MapPixels(job), StageResult::Ok) << kMethodNames[mode];
        return indices;
    }
};

} // namespace

// "cartoon" on grey at level 10: the sixteen tries carry the error and turn white at the luma
// fractions 0.78, 0.56, 0.73, 0.52, 0.69 and 0.86 of white (tries 2, 4, 7, 9, 12 and 15 of
// 0.39 + carried error), so six of sixteen are white; sorted by luma the whites take positions
// 10..15, which the threshold matrix gives to these cells of every 4 x 4 tile.
TEST(PixelMapping, CartoonTurnsGreyIntoAFixedPattern) {
    Fixture f(8, 8, {0x000000, 0xFFFFFF}, 0x808080);
    const auto result = f.Map(4, 10);
    const int pattern[4][4] = {{0, 0, 0, 1}, {1, 0, 1, 0}, {0, 1, 0, 0}, {1, 0, 1, 0}};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(result[y * 8 + x], pattern[y % 4][x % 4]) << x << ", " << y;
}

TEST(PixelMapping, CancelStopsRowMethodsAfterTheRowButNotTheWalk) {
    for (int mode = 0; mode <= 4; ++mode) {
        Fixture f(5, 4, {0x000000, 0xFFFFFF}, 0x808080);
        f.Prepare(mode, 7);
        f.signal.m_bCancel = 1;
        f.signal.m_nProgress = 450;
        const StageResult result = MapPixels(f.job);
        if (mode == 1) {
            EXPECT_EQ(result, StageResult::Ok);
            EXPECT_EQ(f.signal.m_nProgress, 800 + 200 * 19 / 20); // after the last pixel
            EXPECT_EQ(std::count(f.indices.begin(), f.indices.end(), 0xEE), 0);
        } else {
            EXPECT_EQ(result, StageResult::Cancelled) << kMethodNames[mode];
            // The request is seen at the end of the first row, before any progress.
            EXPECT_EQ(f.signal.m_nProgress, 450) << kMethodNames[mode];
        }
    }
}

// Pictures large enough to be mapped by several threads, with a memo of colours or a table of
// every distinct colour: every pixel still gets exactly what a search of its own colour gives,
// "cartoon" at level 0 agrees with that, and at level 7 a large picture's corner comes out as
// the same corner mapped on its own.
TEST(PixelMapping, LargePicturesMapAsSmallOnes) {
    const TestSeed seed(1024);
    std::mt19937 random(seed.value());
    std::vector<std::uint32_t> palette(64);
    for (auto& c : palette)
        c = random() & 0xFFFFFF;
    Fixture big(1024, 1024, palette);
    for (auto& p : big.pixels) // few colours, as in a photograph
        p = (random() & 0x0F0F0F) * 16;
    const auto plain = big.Map(0, 7);
    for (std::size_t k = 0; k < big.pixels.size(); ++k) {
        SpacePoint t;
        big.space.RgbToSpace(t, big.pixels[k]);
        ASSERT_EQ(plain[k], big.nearest->SearchAll(t.yb, t.cr, t.luma)) << "pixel " << k;
    }
    EXPECT_EQ(big.Map(4, 0), plain);

    const auto cartoon = big.Map(4, 7);
    Fixture corner(64, 64, palette);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            corner.pixels[y * 64 + x] = big.pixels[y * 1024 + x];
    const auto alone = corner.Map(4, 7);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(cartoon[y * 1024 + x], alone[y * 64 + x]) << x << ", " << y;
}
