#include "quant/quant.h"
#include "tests/support/dib_builder.h"
#include "tests/support/dib_indices.h"
#include "tests/support/test_seed.h"

#include <atomic>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <thread>
#include <vector>

namespace {

bool Near(std::uint32_t a, std::uint32_t b) { // each channel within one level
    for (int shift : {0, 8, 16}) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d < -1 || d > 1)
            return false;
    }
    return true;
}

struct RunOutcome {
    QuantResult result;
    int doneCalls = 0;
    DibHandle dib;
    int lastProgress = 0;
};

RunOutcome Quantize(const QuantSettings& settings, const DibHandle* source, QuantSignal& signal) {
    RunOutcome run;
    CPixelArray graph;
    graph.SetSource(source);
    CQuant quant(settings);
    run.result = quant.Quantize(graph, signal, [&] { ++run.doneCalls; });
    run.dib = graph.TakeResult();
    run.lastProgress = signal.m_nProgress.load();
    EXPECT_EQ(graph.m_pPixels, nullptr); // the pixels are freed on every path
    return run;
}

RunOutcome Quantize(const QuantSettings& settings, const DibHandle* source) {
    QuantSignal signal;
    return Quantize(settings, source, signal);
}

// Five colours of clearly different luminance (0, 0.1145, 0.2989, 0.5866 and 1 of white) in
// a 5 x 4 picture: black, blue, red, green, white is their luminance order.
const std::uint32_t kFive[] = {0x000000, 0x0000FF, 0xFF0000, 0x00FF00, 0xFFFFFF};

std::vector<std::uint32_t> FivePixels() {
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            pixels.push_back(kFive[(x + 2 * y) % 5]);
    return pixels;
}

} // namespace

// Five colours reduced to eight entries: one entry per colour in luminance order, black
// fillers after them, 4 bits per pixel, every pixel on its own colour's entry, whatever the
// method (none has an error to carry on such a picture). A transparent corner's colour (blue, at
// the lower left) takes the last entry and counts nowhere else.
TEST(Quantize, FiveColoursIntoEightEntries) {
    const DibHandle source = MakeDib24(5, 4, FivePixels());
    ASSERT_EQ(FivePixels()[15], 0x0000FFu);
    const struct {
        const char* name;
        int transPosition;
        std::vector<std::uint32_t> palette; // each channel within one level
        std::vector<int> entryOf;           // the entry of each of kFive
    } rows[] = {
        {"no transparency", -1, {kFive, kFive + 5}, {0, 1, 2, 3, 4}},
        {"lower left transparent", 1, {0x000000, 0xFF0000, 0x00FF00, 0xFFFFFF}, {0, 7, 1, 2, 3}},
    };
    for (const auto& row : rows)
        for (int mode = 0; mode <= 4; ++mode) {
            SCOPED_TRACE(testing::Message() << row.name << ", mode " << mode);
            const QuantSettings s{.colorCount = 8,
                                  .ditherLevel = 10,
                                  .transPosition = row.transPosition,
                                  .ditherMode = mode};
            const RunOutcome run = Quantize(s, &source);
            ASSERT_EQ(run.result, QuantResult::Done);
            EXPECT_EQ(run.doneCalls, 1);
            ASSERT_TRUE(run.dib);
            EXPECT_EQ(DibGetBitCount(run.dib.data()), 4);
            const IndexedPicture result = ReadIndexed(run.dib);
            ASSERT_EQ(result.palette.size(), 8u);
            for (std::size_t i = 0; i < 7; ++i)
                EXPECT_TRUE(i < row.palette.size() ? Near(result.palette[i], row.palette[i])
                                                   : result.palette[i] == 0)
                    << "entry " << i;
            EXPECT_EQ(result.palette[7], row.transPosition < 0 ? 0u : 0x0000FFu);
            for (std::size_t k = 0; k < 20; ++k)
                EXPECT_EQ(result.indices[k], row.entryOf[(k % 5 + 2 * (k / 5)) % 5]) << k;
            EXPECT_GE(run.lastProgress, 800);
            EXPECT_LT(run.lastProgress, 1000);
        }
}

TEST(Quantize, RefusedRunsEndWithoutResultAndAnnounceOnce) {
    const DibHandle picture = MakeDib24(5, 4, FivePixels());
    DibHandle core = DibHandle::Allocate(12 + 6 + 8);
    WriteU32(core.data(), 12);
    constexpr QuantResult unreadable = QuantResult::Unreadable, bad = QuantResult::BadSettings;
    const struct {
        const char* what;
        const DibHandle* source;
        QuantSettings settings;
        QuantResult expected;
    } cases[] = {
        {"no source", nullptr, {}, unreadable},
        {"core header", &core, {}, unreadable},
        {"one colour", &picture, {.colorCount = 1}, bad},
        {"257 colours", &picture, {.colorCount = 257}, bad},
        {"negative target", &picture, {.colorCount = 16, .add16 = 1, .transPosition = 1}, bad},
        {"unknown method", &picture, {.ditherMode = 5}, bad},
        {"unknown corner", &picture, {.transPosition = 4}, bad},
        {"17 refinement passes", &picture, {.refinePasses = 17}, bad},
    };
    for (const auto& c : cases) {
        const QuantSettings& s = c.settings;
        const RunOutcome run = Quantize(s, c.source);
        EXPECT_EQ(run.result, c.expected) << c.what;
        EXPECT_EQ(run.doneCalls, 1) << c.what;
        EXPECT_FALSE(run.dib) << c.what;
    }
}

// A cancel request arriving once the run has reached a phase ends it there without a result,
// except during the Peano walk, which finishes and delivers. The watcher reacts within a row;
// each phase of this picture lasts many rows. The picture is large enough (2^18 pixels or more)
// for the histogram and the independent mapping methods to work in bands on several threads.
TEST(Quantize, CancelInEachPhase) {
    const TestSeed seed(520);
    std::mt19937 random(seed.value());
    const int side = 520;
    std::vector<std::uint32_t> pixels(side * side);
    for (auto& p : pixels)
        p = random() & 0xFFFFFF;
    const DibHandle source = MakeDib24(side, side, pixels);

    struct Case {
        const char* phase;
        int progress; // cancel once the run reports this much
        int mode;
        bool delivers;
    };
    const Case cases[] = {
        {"gradient pass", 20, 0, false},
        {"smooth-flag pass", 150, 0, false},
        {"division", 451, 2, false},
        {"mapping (none)", 810, 0, false},
        {"mapping (diffusion)", 810, 2, false},
        {"mapping (average)", 810, 3, false},
        {"mapping (cartoon)", 810, 4, false},
        {"mapping (Peano)", 810, 1, true},
    };
    for (const Case& c : cases) {
        const QuantSettings s{.ditherMode = c.mode};
        QuantSignal signal;
        std::atomic<bool> finished{false};
        std::thread watcher([&] {
            while (!finished.load() && signal.m_nProgress.load() < c.progress)
                std::this_thread::yield();
            signal.m_bCancel.store(1);
        });
        RunOutcome run = Quantize(s, &source, signal);
        finished.store(true);
        watcher.join();
        EXPECT_EQ(run.doneCalls, 1) << c.phase;
        EXPECT_GE(run.lastProgress, c.progress) << c.phase;
        if (c.delivers) {
            EXPECT_EQ(run.result, QuantResult::Done) << c.phase;
            EXPECT_TRUE(run.dib) << c.phase;
        } else {
            EXPECT_EQ(run.result, QuantResult::Cancelled) << c.phase;
            EXPECT_FALSE(run.dib) << c.phase;
        }
    }
}
