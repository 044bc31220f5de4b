#include "mapping/peano_walk.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

using Path = std::vector<std::pair<int, int>>;

struct Recorder {
    Path path;
    void operator()(int x, int y) { path.emplace_back(x, y); }
};

Path Walk(int width, int height) {
    Recorder recorder;
    CPeanoWalk<Recorder> walk(recorder);
    walk.PeanoWalk(width, height);
    return recorder.path;
}

} // namespace

// The order of the small squares, one "xy" pair per step.
TEST(PeanoWalk, SmallSquaresVisitInTheKnownOrder) {
    const char* const orders[] = {"00", "00 01 11 10", "00 01 02 12 11 10 20 21 22",
                                  "00 10 20 21 11 01 02 03 13 12 22 23 33 32 31 30"};
    for (int side = 1; side <= 4; ++side) {
        Path expected;
        for (const char* p = orders[side - 1]; *p; p += p[2] ? 3 : 2)
            expected.emplace_back(p[0] - '0', p[1] - '0');
        EXPECT_EQ(Walk(side, side), expected) << side << " x " << side;
    }
}

// Every pixel exactly once, starting top left, each move to a 4-neighbour (so a single row or
// column is walked straight).
TEST(PeanoWalk, CoversEveryPictureWithNeighbourMoves) {
    std::vector<std::pair<int, int>> sizes = {{640, 480}, {479, 641}, {1023, 2}, {2, 1024},
                                              {97, 256},  {3, 4096},  {1000, 1}, {1, 1000}};
    for (int w = 1; w <= 24; ++w)
        for (int h = 1; h <= 24; ++h)
            sizes.emplace_back(w, h);
    for (auto [w, h] : sizes) {
        const Path path = Walk(w, h);
        ASSERT_EQ(path.size(), static_cast<std::size_t>(w) * h) << w << " x " << h;
        ASSERT_EQ(path.front(), std::make_pair(0, 0));
        std::vector<char> seen(static_cast<std::size_t>(w) * h, 0);
        for (std::size_t k = 0; k < path.size(); ++k) {
            const auto [x, y] = path[k];
            ASSERT_TRUE(x >= 0 && x < w && y >= 0 && y < h) << w << " x " << h << " step " << k;
            ASSERT_EQ(seen[static_cast<std::size_t>(y) * w + x]++, 0)
                << w << " x " << h << " revisits (" << x << ", " << y << ")";
            if (k > 0) {
                const int move = std::abs(x - path[k - 1].first) + std::abs(y - path[k - 1].second);
                ASSERT_EQ(move, 1) << w << " x " << h << " step " << k;
            }
        }
    }
}
