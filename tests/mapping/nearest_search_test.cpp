#include "mapping/nearest_scan.h"
#include "mapping/nearest_search.h"
#include "tests/support/test_seed.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <vector>

namespace {

// The lowest index among the entries at the smallest squared distance, by plain integer
// arithmetic (exact for coordinates of the size a picture produces).
int BruteForce(const std::vector<SpacePoint>& palette, std::int64_t yb, std::int64_t cr,
               std::int64_t luma) {
    int best = 0;
    std::int64_t bestDistance = INT64_MAX;
    for (int i = 0; i < static_cast<int>(palette.size()); ++i) {
        const std::int64_t a = palette[i].yb - yb, b = palette[i].cr - cr,
                           c = palette[i].luma - luma;
        const std::int64_t d = a * a + b * b + c * c;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

std::unique_ptr<CNearestSearch> SearchOver(const std::vector<SpacePoint>& palette) {
    auto search = std::make_unique<CNearestSearch>();
    EXPECT_TRUE(search->SetPalette(palette.data(), static_cast<int>(palette.size())));
    return search;
}

} // namespace

// The grid starts 160 levels below 0 on the chroma axes and 32 levels below black on luma, in
// cells of 131072 units; cell numbers run yb fastest, then cr, then luma.
TEST(NearestSearch, CellGeometry) {
    struct Case {
        const char* what;
        int yb, cr, luma;
        int cell;
    };
    const Case cases[] = {
        {"origin", 0, 0, 0, 20 + 40 * (20 + 40 * 4)},
        {"lowest corner", -2621440, -2621440, -524288, 0},
        {"highest corner", 2621439, 2621439, 4718591, 63999},
        {"yb one unit past the top", 2621440, 0, 0, -1},
        {"luma one unit past the top", 0, 0, 4718592, -1},
        {"yb one unit below the grid", -2621441, -2621440, -524288, 0},
        {"all axes almost a cell below", -2752511, -2752511, -655359, 0},
        {"cr a full cell below", 0, -2752512, 0, -1},
        {"luma a full cell below", 0, 0, -655360, -1},
        {"next cell up on each axis", -2490368, -2490368, -393216, 1 + 40 * (1 + 40 * 1)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CNearestSearch::CellOf(c.yb, c.cr, c.luma), c.cell) << c.what;
}

// The cell of the origin has its centre at (65536, 65536, 65536); its list keeps every entry
// closer to that centre than the nearest one plus the cell diagonal, 131072 * sqrt(3), which
// is 227023.36 units.
TEST(NearestSearch, CellListKeepsEntriesWithinOneDiagonalOfTheNearest) {
    const std::vector<SpacePoint> palette = {
        {65536 + 227024, 65536, 65536}, // just outside the threshold
        {65536, 65536, 65536},          // at the centre: the nearest, distance 0
        {65536, 65536 - 227023, 65536}, // just inside
        {65536, 65536, 65536 + 400000}, // far away
    };
    auto search = SearchOver(palette);
    const int cell = CNearestSearch::CellOf(0, 0, 0);
    EXPECT_EQ(search->CellList(cell), nullptr);
    EXPECT_EQ(search->FindNearest(0, 0, 0), 1);
    const std::uint16_t* list = search->CellList(cell);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(std::vector<std::uint16_t>(list, list + 3),
              (std::vector<std::uint16_t>{1, 2, 0xFFFF}));
}

// Coordinates less than one cell below the grid truncate to index 0 and use the list of cell
// 0, which was built around that cell's centre: an entry beyond the list's reach is not found
// even when it is the nearer one.
TEST(NearestSearch, JustBelowTheGridUsesTheListOfCellZero) {
    const SpacePoint centre0 = {-2555904, -2555904, -458752};
    const std::vector<SpacePoint> palette = {
        centre0,
        {centre0.yb - 230000, centre0.cr, centre0.luma}, // more than a diagonal from the centre
    };
    auto search = SearchOver(palette);
    const int yb = -2621440 - 131071;
    EXPECT_EQ(BruteForce(palette, yb, centre0.cr, centre0.luma), 1);
    EXPECT_EQ(search->FindNearest(yb, centre0.cr, centre0.luma), 0);
    EXPECT_NE(search->CellList(0), nullptr);
    // One unit further down the point is off the grid and every entry is compared.
    EXPECT_EQ(search->FindNearest(yb - 1, centre0.cr, centre0.luma), 1);
}

TEST(NearestSearch, EquallyNearEntriesGoToTheLowestIndex) {
    struct Case {
        const char* what;
        int yb, cr, luma;
        int spread; // distance of entries 1 and 2 from the point
    };
    // Entries 1 and 2 lie symmetrically around each point; entry 0 is farther; entry 3 repeats
    // 1. Squared distances of 4000000^2, 5000000^2 and 6000000^2 lie just below 2^44, between
    // 2^44 and 2^45, and above 2^45: around where a search can no longer pack the position of
    // an entry beside its distance.
    const Case cases[] = {{"on the grid", 65536, 65536, 65536, 1000},
                          {"off the grid", 5000000, 65536, 65536, 1000},
                          {"below the grid", -2650000, 65536, 65536, 1000},
                          {"on the grid, far from both", 0, 0, 65536, 4000000},
                          {"on the grid, farther from both", 0, 0, 65536, 5000000},
                          {"on the grid, farthest from both", 0, 0, 65536, 6000000}};
    for (const Case& c : cases) {
        const std::vector<SpacePoint> palette = {
            {c.yb, c.cr, c.luma + std::max(3000000, 3 * c.spread)},
            {c.yb + c.spread, c.cr, c.luma},
            {c.yb - c.spread, c.cr, c.luma},
            {c.yb + c.spread, c.cr, c.luma}};
        auto search = SearchOver(palette);
        EXPECT_EQ(search->FindNearest(c.yb, c.cr, c.luma), 1) << c.what;
        EXPECT_EQ(search->FindNearest(c.yb + 1, c.cr, c.luma), 1) << c.what;
        EXPECT_EQ(search->FindNearest(c.yb - 1, c.cr, c.luma), 2) << c.what;
        // The inline search of the per-pixel loops, once the lists exist.
        EXPECT_EQ(search->FindNearestInline(c.yb, c.cr, c.luma).index, 1) << c.what;
        const CNearestSearch::Match below = search->FindNearestInline(c.yb - 1, c.cr, c.luma);
        EXPECT_EQ(below.index, 2) << c.what;
        EXPECT_EQ(below.point->yb, c.yb - c.spread) << c.what;
    }
}

// On the grid the lists are exact: the search equals comparing every entry, for palettes of
// one entry up.
TEST(NearestSearch, EqualsBruteForceOverRandomPalettesAndPoints) {
    const TestSeed seed(40);
    std::mt19937 random(seed.value());
    std::uniform_int_distribution<int> chroma(-2621440, 2621439);
    std::uniform_int_distribution<int> luma(-524288, 4718591);
    std::uniform_int_distribution<int> wide(-6000000, 6000000);
    for (int round = 0; round < 40; ++round) {
        const int count =
            round < 4 ? round + 1 : std::uniform_int_distribution<int>(2, 256)(random);
        std::vector<SpacePoint> palette(count);
        // Palettes cluster like real ones do: luma over the whole range, chroma near 0; every
        // third one crowds into a few cells, where a cell's list holds entries that can be
        // nearest to no point inside it.
        const int crowd = round % 3 == 2 ? 16 : 1;
        for (auto& p : palette)
            p = {chroma(random) / 4 / crowd, chroma(random) / 4 / crowd,
                 luma(random) / crowd + 1000000};
        if (count > 3)
            palette[count - 1] = palette[count / 2]; // a repeated colour
        auto search = SearchOver(palette);
        for (int k = 0; k < 3000; ++k) {
            int yb, cr, l;
            if (k % 10 == 9) { // off the grid, or on it, anywhere
                yb = wide(random);
                cr = wide(random);
                l = wide(random);
                const bool below = yb < -2621440 || cr < -2621440 || l < -524288;
                if (below && CNearestSearch::CellOf(yb, cr, l) >= 0)
                    continue; // the truncated strip below the grid is not exact
            } else {
                yb = chroma(random) / 2 / crowd;
                cr = chroma(random) / 2 / crowd;
                l = luma(random) / crowd + 1000000;
            }
            ASSERT_EQ(search->FindNearest(yb, cr, l), BruteForce(palette, yb, cr, l))
                << "round " << round << " point " << yb << ", " << cr << ", " << l;
        }
    }
}
