#include "quant/color_histogram.h"

#include "quant/gradient_response.h"
#include "quant/smooth_decision.h"
#include "runcontrol/row_bands.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

namespace {

// A pixel weighs 8 in smooth surroundings, 1 elsewhere: the weight of a colour fills at most
// 32 bits for pictures up to this size (a uniform one puts every pixel into one colour).
constexpr std::int64_t kMaxPixels = 0xFFFFFFFF / 8;

// Gradient planes, one byte per pixel each: x and y response of blue, green and red.
constexpr int kPlanes = 6;

struct Run {
    std::uint32_t weight;
    std::uint32_t color;
};

// Rows per band of the parallel passes; a band's first row recomputes what its neighbours share.
constexpr int kBand = 64;
// Pixels per chunk: the passes take the picture a chunk of rows at a time, so that the key buffer
// is had (and first touched, which costs more than using it) for one chunk only.
constexpr std::int64_t kChunkPixels = std::int64_t{1} << 21;
// At most this many bands: each keeps 256 counts per pass.
constexpr int kMaxBands = 1024;

// After each row of either pass: the cancel check, then progress 20 + (80 a + 300 b) / height,
// where a and b are the rows the flag pass and the key pass have reached over the whole picture.
// Taken in one chunk, the flag pass goes from 20 to 100 and the key pass from 100 to 400; taken
// in several, the two alternate chunk by chunk and the progress still only rises.
bool PassRowDone(QuantSignal& signal, int flagRows, int keyRows, int height) {
    if (signal.Cancelled())
        return false;
    signal.SetProgress(
        20 +
        static_cast<int>((std::int64_t{80} * flagRows + std::int64_t{300} * keyRows) / height));
    return true;
}

// Scratch rows of the two per-pixel passes, allocated once per picture.
struct RowScratch {
    explicit RowScratch(std::size_t width)
        : colSum(width), colDiff(width), colMax(width), colMin(width),
          right(width), down{std::vector<float>(width), std::vector<float>(width)},
          downRight{std::vector<float>(width), std::vector<float>(width)},
          downLeft{std::vector<float>(width), std::vector<float>(width)}, spread(width) {}
    std::vector<int> colSum, colDiff, colMax, colMin;
    // Distances between the response pairs of neighbouring pixels: to the right in row y, and
    // downwards (straight, right, left) from row y - 1 (index 0) and from row y (index 1).
    std::vector<float> right, down[2], downRight[2], downLeft[2];
    std::vector<float> spread; // per channel: the summed distances of each pixel of row y
};

// The row kernels below are also built for AVX2 processors, chosen at run time; integer and
// IEEE operations in the same order give the same values either way.

// One channel of the 3 x 3 Sobel pass over the inner pixels of one row. top, mid and bot hold
// that channel's values of rows y - 1, y and y + 1.
__attribute__((target_clones("avx2", "default"))) void
GradientRow(const std::uint8_t* __restrict top, const std::uint8_t* __restrict mid,
            const std::uint8_t* __restrict bot, int width, RowScratch& s,
            std::uint8_t* __restrict outX, std::uint8_t* __restrict outY) {
    // Per column: the x kernel's column weights (1, 2, 1), the y kernel's (1, 0, -1), and the
    // column's extremes; the 3 x 3 values then come from three neighbouring columns. The kernels
    // sum to zero, so subtracting the centre value first changes nothing.
    int* __restrict colSum = s.colSum.data();
    int* __restrict colDiff = s.colDiff.data();
    int* __restrict colMax = s.colMax.data();
    int* __restrict colMin = s.colMin.data();
    for (int x = 0; x < width; ++x) {
        const int t = top[x], m = mid[x], b = bot[x];
        colSum[x] = t + 2 * m + b;
        colDiff[x] = t - b;
        colMax[x] = std::max(std::max(t, m), b);
        colMin[x] = std::min(std::min(t, m), b);
    }
    for (int x = 1; x + 1 < width; ++x) {
        const int gx = colSum[x - 1] - colSum[x + 1];
        const int gy = colDiff[x - 1] + 2 * colDiff[x] + colDiff[x + 1];
        const int largest = std::max(std::max(colMax[x - 1], colMax[x]), colMax[x + 1]);
        const int smallest = std::min(std::min(colMin[x - 1], colMin[x]), colMin[x + 1]);
        const int range = std::max(largest - smallest, 8);
        outX[x] = GradientResponseFast(gx, range);
        outY[x] = GradientResponseFast(gy, range);
    }
    outX[0] = outY[0] = outX[width - 1] = outY[width - 1] = 0;
}

// The distance between two response pairs, as defined, exact to the last place.
double PairDistance(int ax, int ay, int bx, int by) {
    const int dx = bx - ax;
    const int dy = by - ay;
    return std::sqrt(static_cast<double>(dx * dx + dy * dy));
}

// The same in single precision, which the row loops compute eight at a time (the engine is
// built without errno for math functions). The smooth decision allows for its rounding.
float PairDistanceSingle(int ax, int ay, int bx, int by) {
    const int dx = bx - ax;
    const int dy = by - ay;
    return std::sqrt(static_cast<float>(dx * dx + dy * dy));
}

// Distances from each pixel of one row (x and y responses `ax`, `ay`) to its neighbours in the
// row below (`bx`, `by`): straight down, down-right and down-left.
__attribute__((target_clones("avx2", "default"))) void
DownDistances(const std::uint8_t* ax, const std::uint8_t* ay, const std::uint8_t* bx,
              const std::uint8_t* by, std::size_t width, float* down, float* downRight,
              float* downLeft) {
    for (std::size_t x = 0; x < width; ++x)
        down[x] = PairDistanceSingle(ax[x], ay[x], bx[x], by[x]);
    for (std::size_t x = 0; x + 1 < width; ++x)
        downRight[x] = PairDistanceSingle(ax[x], ay[x], bx[x + 1], by[x + 1]);
    for (std::size_t x = 1; x < width; ++x)
        downLeft[x] = PairDistanceSingle(ax[x], ay[x], bx[x - 1], by[x - 1]);
}

// For one channel and the inner pixels of row y: the sum over the 3 x 3 neighbourhood of the
// distances between each neighbour's response pair and the centre's. Each distance is shared by
// two pixels, so it is computed once; the centre's own term is 0 and adding it would change
// nothing.
__attribute__((target_clones("avx2", "default"))) void
SpreadRow(const std::uint8_t* px, const std::uint8_t* py, const std::uint8_t* belowX,
          const std::uint8_t* belowY, std::size_t width, RowScratch& s, float* spread) {
    for (std::size_t x = 0; x + 1 < width; ++x)
        s.right[x] = PairDistanceSingle(px[x], py[x], px[x + 1], py[x + 1]);
    DownDistances(px, py, belowX, belowY, width, s.down[1].data(), s.downRight[1].data(),
                  s.downLeft[1].data());
    const float* up = s.down[0].data();
    const float* upLeft = s.downRight[0].data(); // from x - 1 in the row above
    const float* upRight = s.downLeft[0].data(); // from x + 1 in the row above
    const float* right = s.right.data();
    const float* down = s.down[1].data();
    const float* downRight = s.downRight[1].data();
    const float* downLeft = s.downLeft[1].data();
    for (std::size_t x = 1; x + 1 < width; ++x)
        spread[x] = upLeft[x - 1] + up[x] + upRight[x + 1] + right[x - 1] + right[x] + downLeft[x] +
                    down[x] + downRight[x];
}

// The smooth flags of one row as far as single precision tells them (see SmoothInSingle):
// 1, 0 or -1. Border pixels are never smooth. True when some pixel is left undecided.
__attribute__((target_clones("avx2", "default"))) bool
SmoothRow(const float* __restrict sb, const float* __restrict sg, const float* __restrict sr,
          std::size_t width, std::int8_t* __restrict smooth) {
    int undecided = 0;
    for (std::size_t x = 1; x + 1 < width; ++x) {
        const int flag = SmoothInSingle(sb[x], sg[x], sr[x]);
        smooth[x] = static_cast<std::int8_t>(flag);
        undecided |= flag < 0;
    }
    smooth[0] = smooth[width - 1] = 0;
    return undecided != 0;
}

// A row's colours split into their blue, green and red values.
__attribute__((target_clones("avx2", "default"))) void
SplitChannels(const std::uint32_t* __restrict row, std::size_t width, std::uint8_t* __restrict b,
              std::uint8_t* __restrict g, std::uint8_t* __restrict r) {
    for (std::size_t x = 0; x < width; ++x) {
        b[x] = static_cast<std::uint8_t>(row[x]);
        g[x] = static_cast<std::uint8_t>(row[x] >> 8);
        r[x] = static_cast<std::uint8_t>(row[x] >> 16);
    }
}

// Flags of 0 or 1, one a byte, packed eight to a byte, the first in the lowest bit.
void PackFlags(const std::int8_t* flags, std::size_t count, std::uint8_t* bits) {
    std::size_t x = 0;
    for (; x + 8 <= count; x += 8) {
        std::uint64_t eight;
        std::memcpy(&eight, flags + x, 8);
        // Byte i's bit lands on bit 56 + i of the product and no two other terms meet there or
        // carry into it (little-endian: byte i is flag x + i).
        bits[x / 8] = static_cast<std::uint8_t>((eight * 0x0102040810204080u) >> 56);
    }
    if (x < count) {
        unsigned byte = 0;
        for (std::size_t b = 0; x + b < count; ++b)
            byte |= unsigned(flags[x + b]) << b;
        bits[x / 8] = static_cast<std::uint8_t>(byte);
    }
}

// One channel's spread at the inner pixel x of a row, exactly as defined: the double distances
// to the eight neighbours, summed in this order. `rx` and `ry` hold the channel's x and y
// responses of the rows above, at and below the pixel.
double ExactSpread(const std::uint8_t* const rx[3], const std::uint8_t* const ry[3],
                   std::size_t x) {
    const int cx = rx[1][x], cy = ry[1][x];
    auto d = [&](int row, std::size_t at) {
        return PairDistance(rx[row][at], ry[row][at], cx, cy);
    };
    return d(0, x - 1) + d(0, x) + d(0, x + 1) + d(1, x - 1) + d(1, x + 1) + d(2, x - 1) + d(2, x) +
           d(2, x + 1);
}

// Where the passes over one chunk of rows keep what they share: per band of the chunk and per
// rounded red value, the number of keys and where they go in the key buffer.
struct Buckets {
    Buckets(int rows, int bandRows)
        : bandRows(bandRows), bands((rows + bandRows - 1) / bandRows),
          count(static_cast<std::size_t>(bands) * 256, 0), start(count.size(), 0),
          smoothEnd(count.size(), 0) {}
    // No keys counted yet, for the next chunk; the places follow from the counts.
    void Clear() { std::fill(count.begin(), count.end(), 0); }
    std::size_t At(int red, int band) const {
        return static_cast<std::size_t>(red) * static_cast<std::size_t>(bands) +
               static_cast<std::size_t>(band);
    }
    int bandRows;
    int bands;
    // Indexed by At(): keys of that red value in that band; where they start in the key buffer,
    // which holds the red values one after the other and each red value band by band; and where
    // the band's smooth keys end (they come first, the others after them).
    std::vector<std::uint32_t> count, start, smoothEnd;
};

// The flag pass over the rows one worker is given: the responses of rows y - 1 .. y + 1 and the
// smooth flags of row y, kept as one bit per pixel; and the number of keys per red value. Rows
// are counted from `first`, the chunk's first row, for the flags and the bands. The
// responses of row y + 1 need the colours of rows y .. y + 2, so a worker keeps three rows of
// colours and three of responses and computes each once, except at the start of a band.
class CFlagRows {
public:
    CFlagRows(const PixelRows& pixels, int width, int height, int first,
              const std::array<std::uint8_t, 256>& rounding, std::uint32_t transparentColor,
              std::uint8_t* flags, Buckets& buckets)
        : m_pixels(pixels), m_width(width), m_height(height), m_first(first),
          m_w(static_cast<std::size_t>(width)), m_rounding(rounding),
          m_transparent(transparentColor), m_flags(flags), m_buckets(buckets), m_rgb(3 * m_w),
          m_chan(3 * 3 * m_w), m_resp(kPlanes * 3 * m_w), m_smooth(m_w, 0), m_gradient(m_w),
          m_channel(3, RowScratch(m_w)) {}

    void Row(int row) {
        const int y = m_first + row;
        if (m_width >= 3 && m_height >= 3 && y >= 1 && y + 1 < m_height) {
            NeedResponses(y - 1, y + 1);
            FlagRow(y);
        } else {
            NeedColors(y, y);
            std::fill(m_smooth.begin(), m_smooth.end(), 0);
        }
        PackFlags(m_smooth.data(), m_w, m_flags + static_cast<std::size_t>(row) * ((m_w + 7) / 8));
        // Two tables, even and odd pixels: neighbours of one red value do not wait for each
        // other's count.
        std::uint32_t perRed[2][256] = {};
        const std::uint32_t* p = Colors(y);
        for (std::size_t x = 0; x < m_w; ++x)
            if (p[x] != m_transparent)
                ++perRed[x & 1][m_rounding[(p[x] >> 16) & 255]];
        const int band = row / m_buckets.bandRows;
        for (int r = 0; r < 256; ++r)
            m_buckets.count[m_buckets.At(r, band)] += perRed[0][r] + perRed[1][r];
    }

private:
    std::uint32_t* Colors(int y) { return m_rgb.data() + static_cast<std::size_t>(y % 3) * m_w; }
    std::uint8_t* Channel(int c, int y) {
        return m_chan.data() + static_cast<std::size_t>(c * 3 + y % 3) * m_w;
    }
    std::uint8_t* Plane(int p, int y) {
        return m_resp.data() + static_cast<std::size_t>(p * 3 + y % 3) * m_w;
    }

    // Brings rows lo .. hi (at most three) into the window of colours.
    void NeedColors(int lo, int hi) {
        if (m_colorsLo < 0 || lo < m_colorsLo || lo > m_colorsHi + 1) {
            m_colorsLo = lo;
            m_colorsHi = lo - 1;
        }
        while (m_colorsHi < hi) {
            const int y = ++m_colorsHi;
            std::uint32_t* row = Colors(y);
            const std::uint32_t* source = m_pixels.Row(y, m_width, row);
            if (source != row)
                std::copy(source, source + m_w, row);
            SplitChannels(row, m_w, Channel(0, y), Channel(1, y), Channel(2, y));
        }
        m_colorsLo = std::max(m_colorsLo, hi - 2);
    }

    // Brings the responses of rows lo .. hi (at most three) into their window. Border rows
    // keep zero responses.
    void NeedResponses(int lo, int hi) {
        if (m_respLo < 0 || lo < m_respLo || lo > m_respHi + 1) {
            m_respLo = lo;
            m_respHi = lo - 1;
        }
        while (m_respHi < hi) {
            const int y = ++m_respHi;
            if (y == 0 || y + 1 == m_height) {
                for (int p = 0; p < kPlanes; ++p)
                    std::fill_n(Plane(p, y), m_w, 0);
                continue;
            }
            NeedColors(y - 1, y + 1);
            for (int c = 0; c < 3; ++c)
                GradientRow(Channel(c, y - 1), Channel(c, y), Channel(c, y + 1), m_width,
                            m_gradient, Plane(2 * c, y), Plane(2 * c + 1, y));
        }
        m_respLo = std::max(m_respLo, hi - 2);
    }

    void FlagRow(int y) {
        const std::size_t w = m_w;
        if (m_done != y - 1) { // the distances from the row above come from no earlier row
            for (int c = 0; c < 3; ++c)
                DownDistances(Plane(2 * c, y - 1), Plane(2 * c + 1, y - 1), Plane(2 * c, y),
                              Plane(2 * c + 1, y), w, m_channel[c].down[0].data(),
                              m_channel[c].downRight[0].data(), m_channel[c].downLeft[0].data());
        }
        for (int c = 0; c < 3; ++c) {
            RowScratch& rs = m_channel[c];
            SpreadRow(Plane(2 * c, y), Plane(2 * c + 1, y), Plane(2 * c, y + 1),
                      Plane(2 * c + 1, y + 1), w, rs, rs.spread.data());
        }
        if (SmoothRow(m_channel[0].spread.data(), m_channel[1].spread.data(),
                      m_channel[2].spread.data(), w, m_smooth.data()))
            for (std::size_t x = 1; x + 1 < w; ++x)
                if (m_smooth[x] < 0)
                    m_smooth[x] = ExactSmooth(y, x);
        for (RowScratch& rs : m_channel) {
            std::swap(rs.down[0], rs.down[1]);
            std::swap(rs.downRight[0], rs.downRight[1]);
            std::swap(rs.downLeft[0], rs.downLeft[1]);
        }
        m_done = y;
    }

    // The flag of a pixel too near the threshold for the single-precision spreads.
    std::int8_t ExactSmooth(int y, std::size_t x) {
        double spread[3];
        for (int c = 0; c < 3; ++c) {
            const std::uint8_t* const rx[3] = {Plane(2 * c, y - 1), Plane(2 * c, y),
                                               Plane(2 * c, y + 1)};
            const std::uint8_t* const ry[3] = {Plane(2 * c + 1, y - 1), Plane(2 * c + 1, y),
                                               Plane(2 * c + 1, y + 1)};
            spread[c] = ExactSpread(rx, ry, x);
        }
        return SmoothExact(spread[0], spread[1], spread[2]) ? 1 : 0;
    }

    const PixelRows& m_pixels;
    int m_width, m_height;
    int m_first;
    std::size_t m_w;
    const std::array<std::uint8_t, 256>& m_rounding;
    std::uint32_t m_transparent;
    std::uint8_t* m_flags;
    Buckets& m_buckets;
    std::vector<std::uint32_t> m_rgb;  // colours of three rows, row y at slot y % 3
    std::vector<std::uint8_t> m_chan;  // their blue, green and red values, the same way
    std::vector<std::uint8_t> m_resp;  // six response planes of three rows, the same way
    std::vector<std::int8_t> m_smooth; // the flags of the row: 1 smooth, 0 not
    RowScratch m_gradient;
    std::vector<RowScratch> m_channel; // blue, green, red
    int m_colorsLo = -1, m_colorsHi = -2;
    int m_respLo = -1, m_respHi = -2;
    int m_done = -1; // the last row flagged
};

// The key pass over the rows one worker is given: each pixel's rounded green and blue go to the
// keys of its rounded red value and its band, the smooth ones from the front of the band's
// place, the others from its back. Transparent pixels get no key. Rows are counted from `first`,
// as in the flag pass.
class CKeyRows {
public:
    CKeyRows(const PixelRows& pixels, int width, int height, int first,
             const std::array<std::uint8_t, 256>& rounding, std::uint32_t transparentColor,
             const std::uint8_t* flags, Buckets& buckets, std::uint16_t* keys)
        : m_pixels(pixels), m_width(width), m_height(height), m_first(first), m_rounding(rounding),
          m_transparent(transparentColor), m_flags(flags), m_buckets(buckets), m_keys(keys),
          m_row(static_cast<std::size_t>(width)) {}

    void Row(int row) {
        const int y = m_first + row;
        const int band = row / m_buckets.bandRows;
        if (band != m_band) {
            for (int r = 0; r < 256; ++r) {
                const std::size_t at = m_buckets.At(r, band);
                m_front[r] = m_buckets.start[at];
                m_back[r] = m_buckets.start[at] + m_buckets.count[at];
            }
            m_band = band;
        }
        const std::size_t w = static_cast<std::size_t>(m_width);
        const std::uint32_t* p = m_pixels.Row(y, m_width, m_row.data());
        const std::uint8_t* bits = m_flags + static_cast<std::size_t>(row) * ((w + 7) / 8);
        for (std::size_t x = 0; x < w; ++x) {
            if (p[x] == m_transparent)
                continue;
            const unsigned red = m_rounding[(p[x] >> 16) & 255];
            const auto key = static_cast<std::uint16_t>(m_rounding[(p[x] >> 8) & 255] << 8 |
                                                        m_rounding[p[x] & 255]);
            if ((bits[x / 8] >> (x % 8)) & 1)
                m_keys[m_front[red]++] = key;
            else
                m_keys[--m_back[red]] = key;
        }
        if (y + 1 == m_height || (row + 1) % m_buckets.bandRows == 0)
            for (int r = 0; r < 256; ++r)
                m_buckets.smoothEnd[m_buckets.At(r, band)] = m_front[r];
    }

private:
    const PixelRows& m_pixels;
    int m_width, m_height;
    int m_first;
    const std::array<std::uint8_t, 256>& m_rounding;
    std::uint32_t m_transparent;
    const std::uint8_t* m_flags;
    Buckets& m_buckets;
    std::uint16_t* m_keys;
    std::vector<std::uint32_t> m_row;
    int m_band = -1;
    std::uint32_t m_front[256] = {};
    std::uint32_t m_back[256] = {};
};

// The runs of one rounded red value: its keys in one chunk counted by green and blue into a table
// of weights, read out in ascending order and added to the runs of the chunks before.
class CRunCounter {
public:
    CRunCounter() : m_weights(1 << 16, 0), m_seen(1 << 10, 0) {}

    void Count(const Buckets& buckets, const std::uint16_t* keys, int red, std::vector<Run>& runs) {
        std::uint32_t* weights = m_weights.data();
        std::uint64_t* seen = m_seen.data();
        auto add = [&](std::uint16_t gb, std::uint32_t weight) {
            weights[gb] += weight;
            seen[gb >> 6] |= std::uint64_t{1} << (gb & 63);
        };
        for (int band = 0; band < buckets.bands; ++band) {
            const std::size_t at = buckets.At(red, band);
            const std::uint32_t begin = buckets.start[at];
            const std::uint32_t middle = buckets.smoothEnd[at];
            const std::uint32_t end = begin + buckets.count[at];
            for (std::uint32_t k = begin; k < middle; ++k)
                add(keys[k], 8);
            for (std::uint32_t k = middle; k < end; ++k)
                add(keys[k], 1);
        }
        // The colours met, in ascending order from the bits, merged with the earlier chunks' runs
        // (in ascending order too).
        m_merged.clear();
        auto earlier = runs.begin();
        for (std::uint32_t word = 0; word < (1u << 10); ++word) {
            for (std::uint64_t bits = seen[word]; bits != 0; bits &= bits - 1) {
                const std::uint32_t gb =
                    word << 6 | static_cast<std::uint32_t>(std::countr_zero(bits));
                const std::uint32_t color = static_cast<std::uint32_t>(red) << 16 | gb;
                for (; earlier != runs.end() && earlier->color < color; ++earlier)
                    m_merged.push_back(*earlier);
                std::uint32_t weight = weights[gb];
                if (earlier != runs.end() && earlier->color == color)
                    weight += (earlier++)->weight;
                m_merged.push_back({weight, color});
                weights[gb] = 0;
            }
            seen[word] = 0;
        }
        m_merged.insert(m_merged.end(), earlier, runs.end());
        runs.swap(m_merged);
    }

private:
    std::vector<Run> m_merged;
    std::vector<std::uint32_t> m_weights;
    std::vector<std::uint64_t> m_seen; // a bit per green and blue value with a weight
};

// Runs work(i) for i = 0 .. count - 1 on `threads` threads, each index once.
template <class Work> void ForEachIndex(int count, int threads, Work work) {
    std::atomic<int> next{0};
    auto run = [&] {
        for (int i; (i = next.fetch_add(1)) < count;)
            work(i);
    };
    engine::OnThreads(std::min(threads, count), run);
}

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
    return BuildColorHistogram(PixelRows(pixels, width), width, height, inputMask, transparentColor,
                               space, signal, entries);
}

StageResult BuildColorHistogram(const PixelRows& pixels, int width, int height, int inputMask,
                                std::uint32_t transparentColor, const CColorSpace& space,
                                QuantSignal& signal, std::vector<ColorEntry>& entries) {
    return BuildColorHistogram(pixels, width, height, inputMask, transparentColor, space, signal,
                               entries, 0);
}

StageResult BuildColorHistogram(const PixelRows& pixels, int width, int height, int inputMask,
                                std::uint32_t transparentColor, const CColorSpace& space,
                                QuantSignal& signal, std::vector<ColorEntry>& entries,
                                int chunkRows) {
    entries.clear();
    if (width <= 0 || height <= 0)
        return StageResult::Ok;
    const std::int64_t pixelCount = std::int64_t(width) * height;
    if (pixelCount > kMaxPixels)
        return StageResult::OutOfMemory;
    const std::size_t w = static_cast<std::size_t>(width);
    const std::array<std::uint8_t, 256> rounding = InputRoundingTable(inputMask);
    const int threads = engine::WorkerThreads(pixelCount);
    // Few enough bands that their bookkeeping stays small beside the picture.
    const int bandRows = std::max(kBand, (height + kMaxBands - 1) / kMaxBands);
    if (chunkRows <= 0)
        chunkRows = static_cast<int>(std::min<std::int64_t>(height, kChunkPixels / width));
    // Whole bands, so that a band never spans two chunks.
    chunkRows = static_cast<int>(std::min<std::int64_t>(
        (std::max(chunkRows, 1) + std::int64_t{bandRows} - 1) / bandRows * bandRows, height));

    try {
        Buckets buckets(chunkRows, bandRows);
        std::unique_ptr<std::uint8_t[]> flags(
            new std::uint8_t[(w + 7) / 8 * static_cast<std::size_t>(chunkRows)]);
        std::unique_ptr<std::uint16_t[]> keys;
        std::uint32_t keyRoom = 0;
        // Each red value's runs, in ascending colour order; the chunks' counts add up in them.
        std::vector<std::vector<Run>> runs(256);
        std::vector<CRunCounter> counters(static_cast<std::size_t>(threads));

        for (int first = 0; first < height; first += chunkRows) {
            const int rows = std::min(chunkRows, height - first);
            const int last = first + rows;
            buckets.Clear();
            StageResult pass = engine::ForEachRow(
                rows, threads, bandRows,
                [&] {
                    return CFlagRows(pixels, width, height, first, rounding, transparentColor,
                                     flags.get(), buckets);
                },
                [&](int row) { return PassRowDone(signal, first + row, first, height); });
            if (pass != StageResult::Ok)
                return pass;

            std::uint32_t keyCount = 0;
            for (std::size_t at = 0; at < buckets.count.size(); ++at) {
                // A band past the picture's last row (in the last chunk) keeps no keys.
                buckets.start[at] = buckets.smoothEnd[at] = keyCount;
                keyCount += buckets.count[at];
            }
            if (keyCount > keyRoom) {
                keys.reset();
                keys.reset(new std::uint16_t[keyCount]);
                keyRoom = keyCount;
            }
            pass = engine::ForEachRow(
                rows, threads, bandRows,
                [&] {
                    return CKeyRows(pixels, width, height, first, rounding, transparentColor,
                                    flags.get(), buckets, keys.get());
                },
                [&](int row) { return PassRowDone(signal, last, first + row, height); });
            if (pass != StageResult::Ok)
                return pass;

            // Each red value's keys counted on their own.
            std::atomic<int> next{0};
            std::atomic<int> nextCounter{0};
            std::atomic<bool> failed{false};
            auto count = [&] {
                CRunCounter& counter = counters[static_cast<std::size_t>(nextCounter++)];
                try {
                    for (int red; (red = next.fetch_add(1)) < 256;)
                        counter.Count(buckets, keys.get(), red,
                                      runs[static_cast<std::size_t>(red)]);
                } catch (const std::bad_alloc&) {
                    failed.store(true);
                }
            };
            engine::OnThreads(threads, count);
            if (failed.load())
                throw std::bad_alloc();
            if (signal.Cancelled())
                return StageResult::Cancelled;
        }
        keys.reset();
        flags.reset();
        std::vector<CRunCounter>().swap(counters);
        signal.SetProgress(425);

        std::size_t firstOf[257] = {};
        for (int r = 0; r < 256; ++r)
            firstOf[r + 1] = firstOf[r] + runs[static_cast<std::size_t>(r)].size();
        entries.resize(firstOf[256]);
        ForEachIndex(256, threads, [&](int r) {
            std::vector<Run>& list = runs[static_cast<std::size_t>(r)];
            ColorEntry* e = entries.data() + firstOf[r];
            for (const Run& run : list) {
                space.RgbToSpace(e->point, run.color);
                e->weight = run.weight;
                ++e;
            }
            std::vector<Run>().swap(list);
        });
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
