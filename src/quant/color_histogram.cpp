#include "quant/color_histogram.h"

#include "quant/radix_sort.h"
#include "runcontrol/row_bands.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

namespace {

constexpr std::uint32_t kSmoothFlag = 0x1000000;
constexpr std::uint32_t kColorBits = 0xFFFFFF;

// A pixel weighs 8 in smooth surroundings, 1 elsewhere: the weight of a colour fills at most
// 32 bits for pictures up to this size (a uniform one puts every pixel into one colour).
constexpr std::int64_t kMaxPixels = 0xFFFFFFFF / 8;

// Gradient planes, one byte per pixel each: x and y response of blue, green and red.
constexpr int kPlanes = 6;

struct Run {
    std::uint32_t weight;
    std::uint32_t color;
};

// Rows per band of the parallel passes; a band's first row reloads what its neighbours share.
constexpr int kBand = 32;

// After each row of a pass: the cancel check, then progress base + span * y / height.
bool RowDone(QuantSignal& signal, int base, int span, int y, int height) {
    if (signal.Cancelled())
        return false;
    signal.SetProgress(base + static_cast<int>(std::int64_t(span) * y / height));
    return true;
}

// 128 - 64 g / range in floating point, clamped to a byte and truncated.
std::uint8_t Response(int g, int range) {
    double r = 128.0 - 64.0 * g / range;
    r = r < 0 ? 0 : (r > 255 ? 255 : r);
    return static_cast<std::uint8_t>(static_cast<int>(r));
}

// The response formula as a table over every input it can see, each entry computed by the
// formula itself: a lookup gives the very same value, without a division per pixel.
struct Tables {
    Tables() : response(kResponseSize) {
        // |g| <= 4 x (largest - smallest) <= 4 x range, so a range sees g in -4 range..4 range.
        std::size_t at = 0;
        for (int range = 8; range < 256; ++range) {
            responseOf[range] = response.data() + at + 4 * range;
            for (int g = -4 * range; g <= 4 * range; ++g)
                response[at++] = Response(g, range);
        }
    }
    static constexpr std::size_t kResponseSize = 8 * (8 + 255) * 248 / 2 + 248;
    std::vector<std::uint8_t> response; // per range, Response(g, range) for its g
    const std::uint8_t* responseOf[256] = {};
};

// Scratch rows of the two per-pixel passes, allocated once per picture.
struct RowScratch {
    RowScratch(std::size_t width, const Tables& t)
        : tables(&t), colSum(width), colDiff(width), colMax(width), colMin(width), gx(width),
          gy(width), range(width),
          right(width), down{std::vector<double>(width), std::vector<double>(width)},
          downRight{std::vector<double>(width), std::vector<double>(width)},
          downLeft{std::vector<double>(width), std::vector<double>(width)}, spread(width) {}
    const Tables* tables;
    std::vector<int> colSum, colDiff, colMax, colMin, gx, gy, range;
    // Distances between the response pairs of neighbouring pixels: to the right in row y, and
    // downwards (straight, right, left) from row y - 1 (index 0) and from row y (index 1).
    std::vector<double> right, down[2], downRight[2], downLeft[2];
    std::vector<double> spread; // per channel: the summed distances of each pixel of row y
};

// The row kernels below are also built for AVX2 processors, chosen at run time; integer and
// IEEE double operations in the same order give the same values either way.

// One channel of the 3 x 3 Sobel pass over the inner pixels of one row. top, mid and bot hold
// that channel's values of rows y - 1, y and y + 1.
__attribute__((target_clones("avx2", "default"))) void
GradientRow(const std::uint8_t* top, const std::uint8_t* mid, const std::uint8_t* bot, int width,
            RowScratch& s, std::uint8_t* outX, std::uint8_t* outY) {
    // Per column: the x kernel's column weights (1, 2, 1), the y kernel's (1, 0, -1), and the
    // column's extremes; the 3 x 3 values then come from three neighbouring columns. The kernels
    // sum to zero, so subtracting the centre value first changes nothing.
    for (int x = 0; x < width; ++x) {
        s.colSum[x] = top[x] + 2 * mid[x] + bot[x];
        s.colDiff[x] = top[x] - bot[x];
        s.colMax[x] = std::max(std::max(top[x], mid[x]), bot[x]);
        s.colMin[x] = std::min(std::min(top[x], mid[x]), bot[x]);
    }
    for (int x = 1; x + 1 < width; ++x) {
        s.gx[x] = s.colSum[x - 1] - s.colSum[x + 1];
        s.gy[x] = s.colDiff[x - 1] + 2 * s.colDiff[x] + s.colDiff[x + 1];
        const int largest = std::max(std::max(s.colMax[x - 1], s.colMax[x]), s.colMax[x + 1]);
        const int smallest = std::min(std::min(s.colMin[x - 1], s.colMin[x]), s.colMin[x + 1]);
        s.range[x] = std::max(largest - smallest, 8);
    }
    for (int x = 1; x + 1 < width; ++x) {
        const std::uint8_t* response = s.tables->responseOf[s.range[x]];
        outX[x] = response[s.gx[x]];
        outY[x] = response[s.gy[x]];
    }
    outX[0] = outY[0] = outX[width - 1] = outY[width - 1] = 0;
}

// The square root is exact to the last place, as the formula's own; the engine is built without
// errno for math functions, so the compiler computes several at a time.
double PairDistance(int ax, int ay, int bx, int by) {
    const int dx = bx - ax;
    const int dy = by - ay;
    return std::sqrt(static_cast<double>(dx * dx + dy * dy));
}

// Distances from each pixel of one row (x and y responses `ax`, `ay`) to its neighbours in the
// row below (`bx`, `by`): straight down, down-right and down-left.
__attribute__((target_clones("avx2", "default"))) void
DownDistances(const std::uint8_t* ax, const std::uint8_t* ay, const std::uint8_t* bx,
              const std::uint8_t* by, std::size_t width, double* down, double* downRight,
              double* downLeft) {
    for (std::size_t x = 0; x < width; ++x)
        down[x] = PairDistance(ax[x], ay[x], bx[x], by[x]);
    for (std::size_t x = 0; x + 1 < width; ++x)
        downRight[x] = PairDistance(ax[x], ay[x], bx[x + 1], by[x + 1]);
    for (std::size_t x = 1; x < width; ++x)
        downLeft[x] = PairDistance(ax[x], ay[x], bx[x - 1], by[x - 1]);
}

// For one channel and the inner pixels of row y: the sum over the 3 x 3 neighbourhood, taken
// row by row, of the distances between each neighbour's response pair and the centre's. Each
// distance is shared by two pixels, so it is computed once; the centre's own term is 0 and
// adding it would change nothing.
__attribute__((target_clones("avx2", "default"))) void
SpreadRow(const std::uint8_t* px, const std::uint8_t* py, const std::uint8_t* belowX,
          const std::uint8_t* belowY, std::size_t width, RowScratch& s, double* spread) {
    for (std::size_t x = 0; x + 1 < width; ++x)
        s.right[x] = PairDistance(px[x], py[x], px[x + 1], py[x + 1]);
    DownDistances(px, py, belowX, belowY, width, s.down[1].data(), s.downRight[1].data(),
                  s.downLeft[1].data());
    const double* up = s.down[0].data();
    const double* upLeft = s.downRight[0].data(); // from x - 1 in the row above
    const double* upRight = s.downLeft[0].data(); // from x + 1 in the row above
    const double* right = s.right.data();
    const double* down = s.down[1].data();
    const double* downRight = s.downRight[1].data();
    const double* downLeft = s.downLeft[1].data();
    for (std::size_t x = 1; x + 1 < width; ++x)
        spread[x] = upLeft[x - 1] + up[x] + upRight[x + 1] + right[x - 1] + right[x] + downLeft[x] +
                    down[x] + downRight[x];
}

// The gradient pass over the rows one worker is given. Row y needs the channel values of rows
// y - 1 .. y + 1; consecutive rows share two of them, so a worker keeps the last three.
class CGradientRows {
public:
    CGradientRows(const std::uint32_t* pixels, int width, int height, const Tables& tables,
                  std::uint8_t* planes)
        : m_pixels(pixels), m_width(width), m_height(height), m_planes(planes),
          m_chan(3 * 3 * static_cast<std::size_t>(width)), m_scratch(width, tables) {}

    void Row(int y) {
        if (y < 1 || y + 1 >= m_height || m_width < 3)
            return; // border rows keep their zero responses
        if (m_loaded != y) {
            LoadRow(y - 1);
            LoadRow(y);
        }
        LoadRow(y + 1);
        m_loaded = y + 1;
        const std::size_t w = static_cast<std::size_t>(m_width);
        const std::size_t at = static_cast<std::size_t>(y) * w;
        const std::size_t n = static_cast<std::size_t>(m_height) * w;
        for (int c = 0; c < 3; ++c)
            GradientRow(ChannelRow(c, y - 1), ChannelRow(c, y), ChannelRow(c, y + 1), m_width,
                        m_scratch, m_planes + 2 * c * n + at, m_planes + (2 * c + 1) * n + at);
    }

private:
    std::uint8_t* ChannelRow(int c, int y) {
        return m_chan.data() + static_cast<std::size_t>(c * 3 + y % 3) * m_width;
    }

    void LoadRow(int y) {
        const std::uint32_t* p = m_pixels + static_cast<std::size_t>(y) * m_width;
        std::uint8_t* b = ChannelRow(0, y);
        std::uint8_t* g = ChannelRow(1, y);
        std::uint8_t* r = ChannelRow(2, y);
        for (int x = 0; x < m_width; ++x) {
            b[x] = static_cast<std::uint8_t>(p[x]);
            g[x] = static_cast<std::uint8_t>(p[x] >> 8);
            r[x] = static_cast<std::uint8_t>(p[x] >> 16);
        }
    }

    const std::uint32_t* m_pixels;
    int m_width, m_height;
    std::uint8_t* m_planes;
    std::vector<std::uint8_t> m_chan; // per channel, rows y - 1 .. y + 1 at slots y % 3
    RowScratch m_scratch;
    int m_loaded = -1; // the last row loaded
};

// The smooth-flag and key pass over the rows one worker is given. The keys of row y go to
// keys[y * width ..], their number to rowKeys[y]: transparent pixels get no key at all (their
// keys would sort after every colour and form no run), so a row may leave a gap to close later.
class CFlagRows {
public:
    CFlagRows(const std::uint32_t* pixels, int width, int height, const Tables& tables,
              const std::uint8_t* planes, const std::array<std::uint8_t, 256>& rounding,
              std::uint32_t transparentColor, std::uint32_t* keys, std::uint32_t* rowKeys)
        : m_pixels(pixels), m_width(width), m_height(height), m_planes(planes),
          m_rounding(rounding), m_transparent(transparentColor), m_keys(keys), m_rowKeys(rowKeys),
          m_smooth(static_cast<std::size_t>(width), 0),
          m_channel(3, RowScratch(static_cast<std::size_t>(width), tables)) {}

    void Row(int y) {
        const std::size_t w = static_cast<std::size_t>(m_width);
        const std::size_t at = static_cast<std::size_t>(y) * w;
        if (m_width >= 3 && y >= 1 && y + 1 < m_height)
            FlagRow(y);
        else
            std::fill(m_smooth.begin(), m_smooth.end(), 0);
        const std::uint32_t* p = m_pixels + at;
        std::uint32_t* out = m_keys + at;
        std::uint32_t count = 0;
        for (std::size_t x = 0; x < w; ++x) {
            if (p[x] == m_transparent)
                continue;
            const std::uint32_t key = std::uint32_t(m_rounding[(p[x] >> 16) & 255]) << 16 |
                                      std::uint32_t(m_rounding[(p[x] >> 8) & 255]) << 8 |
                                      m_rounding[p[x] & 255];
            out[count++] = m_smooth[x] ? key | kSmoothFlag : key;
        }
        m_rowKeys[y] = count;
    }

private:
    const std::uint8_t* Plane(int p, std::size_t row) const {
        const std::size_t w = static_cast<std::size_t>(m_width);
        return m_planes + static_cast<std::size_t>(p) * w * m_height + row * w;
    }

    void FlagRow(int y) {
        const std::size_t w = static_cast<std::size_t>(m_width);
        const std::size_t row = static_cast<std::size_t>(y);
        if (m_done != y - 1) { // the distances from the row above come from no earlier row
            for (int c = 0; c < 3; ++c)
                DownDistances(Plane(2 * c, row - 1), Plane(2 * c + 1, row - 1), Plane(2 * c, row),
                              Plane(2 * c + 1, row), w, m_channel[c].down[0].data(),
                              m_channel[c].downRight[0].data(), m_channel[c].downLeft[0].data());
        }
        for (int c = 0; c < 3; ++c) {
            RowScratch& rs = m_channel[c];
            SpreadRow(Plane(2 * c, row), Plane(2 * c + 1, row), Plane(2 * c, row + 1),
                      Plane(2 * c + 1, row + 1), w, rs, rs.spread.data());
        }
        const double* sb = m_channel[0].spread.data();
        const double* sg = m_channel[1].spread.data();
        const double* sr = m_channel[2].spread.data();
        for (std::size_t x = 1; x + 1 < w; ++x) {
            const double spread = std::sqrt(sb[x] * sb[x] + sg[x] * sg[x] + sr[x] * sr[x]);
            double v = 255 - spread / 8;
            v = v < 0 ? 0 : (v > 255 ? 255 : v);
            m_smooth[x] = static_cast<int>(v) >= 160;
        }
        m_smooth[0] = m_smooth[w - 1] = 0;
        for (RowScratch& rs : m_channel) {
            std::swap(rs.down[0], rs.down[1]);
            std::swap(rs.downRight[0], rs.downRight[1]);
            std::swap(rs.downLeft[0], rs.downLeft[1]);
        }
        m_done = y;
    }

    const std::uint32_t* m_pixels;
    int m_width, m_height;
    const std::uint8_t* m_planes;
    const std::array<std::uint8_t, 256>& m_rounding;
    std::uint32_t m_transparent;
    std::uint32_t* m_keys;
    std::uint32_t* m_rowKeys;
    std::vector<std::uint8_t> m_smooth;
    std::vector<RowScratch> m_channel; // blue, green, red
    int m_done = -1;                   // the last row flagged
};

// Key buffers; the sort moves keys between two of them.
using KeyBuffer = std::unique_ptr<std::uint32_t[]>;

} // namespace

std::array<std::uint8_t, 256> InputRoundingTable(int inputMask) {
    std::array<std::uint8_t, 256> t{};
    for (int v = 0; v < 256; ++v)
        t[v] = static_cast<std::uint8_t>(std::min(v + (inputMask + 1) / 2, 255) & ~inputMask);
    return t;
}

StageResult BuildColorHistogram(const std::uint32_t* pixels, int width, int height, int inputMask,
                                std::uint32_t transparentColor, const CColorSpace& space,
                                QuantSignal& signal, std::vector<ColorEntry>& entries) {
    entries.clear();
    if (width <= 0 || height <= 0)
        return StageResult::Ok;
    const std::int64_t pixelCount = std::int64_t(width) * height;
    if (pixelCount > kMaxPixels)
        return StageResult::OutOfMemory;
    const std::size_t n = static_cast<std::size_t>(pixelCount);
    const std::size_t w = static_cast<std::size_t>(width);
    const std::array<std::uint8_t, 256> rounding = InputRoundingTable(inputMask);

    const int threads = engine::WorkerThreads(pixelCount);
    try {
        KeyBuffer keys(new std::uint32_t[n]);
        std::size_t keyCount = 0;
        KeyBuffer gradient; // six response planes of n bytes each, later the sort's scratch
        {
            // Border pixels keep zero responses; the gradient pass writes every other byte.
            gradient.reset(new std::uint32_t[(n * kPlanes + 3) / 4]);
            std::uint8_t* const planes = reinterpret_cast<std::uint8_t*>(gradient.get());
            if (width < 3 || height < 3) {
                std::fill_n(planes, n * kPlanes, 0);
            } else {
                for (int p = 0; p < kPlanes; ++p) {
                    std::fill_n(planes + p * n, w, 0);
                    std::fill_n(planes + p * n + n - w, w, 0);
                }
            }
            const Tables tables;
            StageResult pass = engine::ForEachRow(
                height, threads, kBand,
                [&] { return CGradientRows(pixels, width, height, tables, planes); },
                [&](int y) { return RowDone(signal, 20, 80, y, height); });
            if (pass != StageResult::Ok)
                return pass;

            std::vector<std::uint32_t> rowKeys(static_cast<std::size_t>(height));
            pass = engine::ForEachRow(
                height, threads, kBand,
                [&] {
                    return CFlagRows(pixels, width, height, tables, planes, rounding,
                                     transparentColor, keys.get(), rowKeys.data());
                },
                [&](int y) { return RowDone(signal, 100, 300, y, height); });
            if (pass != StageResult::Ok)
                return pass;
            // Close the gaps that transparent pixels left.
            for (int y = 0; y < height; ++y) {
                const std::size_t at = static_cast<std::size_t>(y) * w;
                if (keyCount != at)
                    std::memmove(keys.get() + keyCount, keys.get() + at,
                                 rowKeys[static_cast<std::size_t>(y)] * sizeof(std::uint32_t));
                keyCount += rowKeys[static_cast<std::size_t>(y)];
            }
        }

        // The gradient planes are done with; their memory serves the sort and then goes,
        // before the run list exists.
        // By the 24 colour bits in three digits; the smooth flag rides along. Equal colours end
        // up next to each other, which is all the runs need.
        engine::RadixSort<8>(keys, gradient, keyCount, 3, [](std::uint32_t k) { return k; });
        gradient.reset();

        std::size_t runCount = 0;
        for (std::size_t i = 0; i < keyCount; ++i)
            if (i == 0 || ((keys[i] ^ keys[i - 1]) & kColorBits) != 0)
                ++runCount;
        std::vector<Run> runs;
        runs.reserve(runCount);
        for (std::size_t i = 0; i < keyCount; ++i) {
            const std::uint32_t weight = (keys[i] & kSmoothFlag) != 0 ? 8 : 1;
            if (i == 0 || ((keys[i] ^ keys[i - 1]) & kColorBits) != 0)
                runs.push_back({weight, keys[i] & kColorBits});
            else
                runs.back().weight += weight;
        }
        keys.reset();
        if (signal.Cancelled())
            return StageResult::Cancelled;
        signal.SetProgress(425);

        entries.resize(runs.size());
        for (std::size_t i = 0; i < runs.size(); ++i) {
            space.RgbToSpace(entries[i].point, runs[i].color);
            entries[i].weight = runs[i].weight;
            entries[i].key = 0;
        }
    } catch (const std::bad_alloc&) {
        entries.clear();
        return StageResult::OutOfMemory;
    }
    if (signal.Cancelled()) {
        entries.clear();
        return StageResult::Cancelled;
    }
    return StageResult::Ok;
}
