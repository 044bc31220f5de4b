#include "mapping/pixel_mapping.h"
#include "tests/support/test_seed.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr const char* kMethodNames[] = {"(none)", "GPeanos", "error diffusion", "average error",
                                        "cartoon"};

// A picture, a palette and everything MapPixels needs, with the panel's default weights.
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
        job.transIndex = static_cast<int>(palette.size()) - 1;
    }

    // Points of all palette colours, the last one left out when a transparent colour is set;
    // the error limits are the palette's extent on each axis.
    void Prepare(int mode, int level) {
        const int searchable =
            static_cast<int>(palette.size()) - (job.transColor != 0x1000000 ? 1 : 0);
        std::vector<SpacePoint> points(searchable);
        for (int i = 0; i < searchable; ++i)
            space.RgbToSpace(points[i], palette[i]);
        EXPECT_TRUE(nearest->SetPalette(points.data(), searchable));
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
        job.ditherMode = mode;
        job.ditherLevel = level;
    }

    std::vector<std::uint8_t> Map(int mode, int level) {
        Prepare(mode, level);
        std::fill(indices.begin(), indices.end(), 0xEE);
        EXPECT_EQ(MapPixels(job), StageResult::Ok) << kMethodNames[mode];
        return indices;
    }

    double Fraction(const std::vector<std::uint8_t>& result, int index) const {
        return static_cast<double>(std::count(result.begin(), result.end(), index)) /
               static_cast<double>(result.size());
    }
};

std::vector<std::uint32_t> RandomColours(std::mt19937& random, int n) {
    std::vector<std::uint32_t> colours(n);
    for (auto& c : colours)
        c = random() & 0xFFFFFF;
    return colours;
}

// Luminance of mid grey as a fraction of white's: the tone curve above 30/255 is x^(15/11),
// and grey has no chroma to speak of.
const double kGreyLuma = std::pow(128.0 / 255.0, 15.0 / 11.0);

} // namespace

TEST(PixelMapping, LevelZeroEqualsNoDithering) {
    const TestSeed seed(37);
    std::mt19937 random(seed.value());
    Fixture f(37, 23, RandomColours(random, 16));
    for (auto& p : f.pixels)
        p = random() & 0xFFFFFF;
    const auto plain = f.Map(0, 0);
    for (int mode = 1; mode <= 4; ++mode)
        EXPECT_EQ(f.Map(mode, 0), plain) << kMethodNames[mode];
}

// Error limits of 0 (a palette of one point per axis value) leave the carrying methods
// nothing to carry; "cartoon" does not clamp and still dithers.
TEST(PixelMapping, ZeroErrorLimitsStopEveryMethodButCartoon) {
    Fixture f(16, 16, {0x000000, 0xFFFFFF}, 0x808080);
    const auto plain = f.Map(0, 10);
    for (int mode = 1; mode <= 4; ++mode) {
        f.Prepare(mode, 10);
        f.job.limits[0] = f.job.limits[1] = f.job.limits[2] = 0;
        ASSERT_EQ(MapPixels(f.job), StageResult::Ok);
        if (mode == 4)
            EXPECT_NE(f.indices, plain) << kMethodNames[mode];
        else
            EXPECT_EQ(f.indices, plain) << kMethodNames[mode];
    }
}

TEST(PixelMapping, GreyBetweenBlackAndWhite) {
    Fixture f(64, 64, {0x000000, 0xFFFFFF}, 0x808080);
    // Grey's luma is 39 % of white's: nearer to black.
    const auto plain = f.Map(0, 10);
    EXPECT_EQ(f.Fraction(plain, 0), 1.0);

    // The carrying methods keep the mean: about 39 % of the pixels turn white. The tolerance
    // allows for the error still in flight at the picture's right and bottom edges.
    for (int mode : {1, 2, 3}) {
        const auto result = f.Map(mode, 10);
        EXPECT_NEAR(f.Fraction(result, 1), kGreyLuma, 0.01) << kMethodNames[mode];
    }
}

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

// Black pixels match their entry exactly and carry nothing. Transparent white pixels would
// leave an error pushing their neighbours towards the dark grey entry if they took part.
TEST(PixelMapping, TransparentPixelsLeaveNoErrorBehind) {
    for (int mode = 0; mode <= 4; ++mode) {
        Fixture f(9, 7, {0x000000, 0x202020, 0xFFFFFF});
        f.job.transColor = 0xFFFFFF;
        for (std::size_t k = 0; k < f.pixels.size(); k += 4)
            f.pixels[k] = 0xFFFFFF;
        const auto result = f.Map(mode, 10);
        for (std::size_t k = 0; k < result.size(); ++k)
            EXPECT_EQ(result[k], f.pixels[k] == 0xFFFFFF ? 2 : 0)
                << kMethodNames[mode] << " pixel " << k;
    }
}

// Along a single row the walk is straight, so taking the transparent pixels out of the row
// must not change what the others get: the error passes them unchanged.
TEST(PixelMapping, PeanoCarriesItsErrorPastTransparentPixels) {
    const TestSeed seed(200);
    std::mt19937 random(seed.value());
    const auto palette = RandomColours(random, 8);
    std::vector<std::uint32_t> row(200);
    for (auto& p : row)
        p = random() & 0xFFFFFF;

    Fixture opaque(200, 1, palette);
    opaque.pixels = row;
    const auto expected = opaque.Map(1, 10);

    const std::uint32_t clear = 0xABCDEF;
    std::vector<std::uint32_t> withHoles;
    std::vector<int> holes;
    for (std::size_t k = 0; k < row.size(); ++k) {
        if (k % 7 == 3) {
            holes.push_back(static_cast<int>(withHoles.size()));
            withHoles.push_back(clear);
        }
        withHoles.push_back(row[k]);
    }
    auto transparentPalette = palette;
    transparentPalette.push_back(clear);
    Fixture holed(static_cast<int>(withHoles.size()), 1, transparentPalette);
    holed.pixels = withHoles;
    holed.job.transColor = clear;
    const auto result = holed.Map(1, 10);

    std::vector<std::uint8_t> kept;
    for (std::size_t k = 0; k < result.size(); ++k) {
        if (withHoles[k] == clear)
            EXPECT_EQ(result[k], 8);
        else
            kept.push_back(result[k]);
    }
    EXPECT_EQ(kept, expected);
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
    const auto palette = RandomColours(random, 64);
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
