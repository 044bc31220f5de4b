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

TEST(PeanoWalk, SmallSquaresVisitInTheKnownOrder) {
    struct Case {
        int side;
        Path order;
    };
    const Case cases[] = {
        {1, {{0, 0}}},
        {2, {{0, 0}, {0, 1}, {1, 1}, {1, 0}}},
        {3, {{0, 0}, {0, 1}, {0, 2}, {1, 2}, {1, 1}, {1, 0}, {2, 0}, {2, 1}, {2, 2}}},
        {4,
         {{0, 0},
          {1, 0},
          {2, 0},
          {2, 1},
          {1, 1},
          {0, 1},
          {0, 2},
          {0, 3},
          {1, 3},
          {1, 2},
          {2, 2},
          {2, 3},
          {3, 3},
          {3, 2},
          {3, 1},
          {3, 0}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Walk(c.side, c.side), c.order) << c.side << " x " << c.side;
}

TEST(PeanoWalk, SingleRowOrColumnGoesStraight) {
    for (int n : {1, 2, 3, 4, 5, 16, 17, 1000}) {
        const Path row = Walk(n, 1);
        const Path column = Walk(1, n);
        ASSERT_EQ(row.size(), static_cast<std::size_t>(n));
        ASSERT_EQ(column.size(), static_cast<std::size_t>(n));
        for (int k = 0; k < n; ++k) {
            EXPECT_EQ(row[k], std::make_pair(k, 0)) << "1 x " << n;
            EXPECT_EQ(column[k], std::make_pair(0, k)) << n << " x 1";
        }
    }
}

// Every pixel exactly once, starting top left, each move to a 4-neighbour.
TEST(PeanoWalk, CoversEveryPictureWithNeighbourMoves) {
    std::vector<std::pair<int, int>> sizes;
    for (int w = 1; w <= 24; ++w)
        for (int h = 1; h <= 24; ++h)
            sizes.emplace_back(w, h);
    for (auto size : {std::pair{640, 480}, {479, 641}, {1023, 2}, {2, 1024}, {97, 256}, {3, 4096}})
        sizes.push_back(size);

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
