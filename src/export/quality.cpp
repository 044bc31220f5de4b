#include "export/quality.h"

#include "export/color_difference.h"
#include "quant/pixel_array.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>
#include <thread>
#include <vector>

namespace {

// CIEDE2000 of the pairs (source colour, result colour) met lately. A photograph has far fewer
// distinct pairs than pixels, and the formula costs far more than a look-up, so each thread
// keeps a direct-mapped table of pairs: a hit gives exactly the value the formula would.
class CPairCache {
public:
    // Without the memory for the table every pair is computed.
    CPairCache() : m_entries(new (std::nothrow) Entry[kSize]) {}

    double Difference(std::uint32_t source, std::uint32_t result) {
        if (source == result)
            return 0;
        if (!m_entries)
            return DeltaE2000(SrgbToLab(source), SrgbToLab(result));
        const std::uint64_t key = std::uint64_t{source} << 24 | result;
        Entry& e = m_entries[(key * 0x9E3779B97F4A7C15ull) >> (64 - kBits)];
        if (e.key != key) {
            e.key = key;
            e.value = DeltaE2000(SrgbToLab(source), SrgbToLab(result));
        }
        return e.value;
    }

private:
    static constexpr int kBits = 20;
    static constexpr std::size_t kSize = std::size_t{1} << kBits; // 16 MB
    struct Entry {
        std::uint64_t key = ~std::uint64_t{0}; // no pair of 24-bit colours
        double value = 0;
    };
    std::unique_ptr<Entry[]> m_entries;
};

double RowDeltaE(const std::uint32_t* source, const std::uint32_t* result, int width,
                 CPairCache& cache) {
    double sum = 0;
    for (int x = 0; x < width; ++x)
        sum += cache.Difference(source[x] & 0xFFFFFF, result[x] & 0xFFFFFF);
    return sum;
}

} // namespace

QualityFigures MeasureQuality(const DibHandle& source, const DibHandle& result) {
    QualityFigures figures;
    CPixelArray a, b;
    a.SetSource(&source);
    b.SetSource(&result);
    if (!a.LoadPixels() || !b.LoadPixels()) {
        figures.failure = "cannot unpack the pictures";
        return figures;
    }
    if (a.m_nWidth != b.m_nWidth || a.m_nHeight != b.m_nHeight) {
        figures.failure = "the pictures differ in size";
        return figures;
    }
    const int width = a.m_nWidth, height = a.m_nHeight;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);

    // One bit for each of the 16777216 possible colours: 2 MB.
    std::unique_ptr<std::uint8_t[]> seen(new (std::nothrow) std::uint8_t[1u << 21]());
    if (!seen) {
        figures.failure = "not enough memory";
        return figures;
    }
    std::uint64_t squares = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint32_t s = a.m_pPixels[k], r = b.m_pPixels[k] & 0xFFFFFF;
        std::uint8_t& byte = seen[r >> 3];
        const auto bit = static_cast<std::uint8_t>(1u << (r & 7));
        if ((byte & bit) == 0) {
            byte |= bit;
            ++figures.colorCount;
        }
        for (int shift = 0; shift < 24; shift += 8) {
            const int d =
                static_cast<int>((s >> shift) & 0xFF) - static_cast<int>((r >> shift) & 0xFF);
            squares += static_cast<std::uint64_t>(d * d);
        }
    }
    const double mse = static_cast<double>(squares) / (3.0 * static_cast<double>(count));
    figures.psnr = squares == 0 ? std::numeric_limits<double>::infinity()
                                : 10 * std::log10(255.0 * 255.0 / mse);

    // The colour differences take most of the time; rows are shared among the cores. Each row's
    // sum is kept apart and the sums are added in row order, so the figure does not depend on
    // the number of threads.
    std::vector<double> rowSums(static_cast<std::size_t>(height));
    const auto rows = [&](int first, int step) {
        CPairCache cache;
        for (int y = first; y < height; y += step) {
            const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
            rowSums[static_cast<std::size_t>(y)] =
                RowDeltaE(a.m_pPixels + at, b.m_pPixels + at, width, cache);
        }
    };
    const int threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) {
        try {
            pool.emplace_back(rows, t, threads);
        } catch (const std::system_error&) {
            // Rows of a thread that did not start are done below.
            for (int u = t; u < threads; ++u)
                rows(u, threads);
            break;
        }
    }
    rows(0, threads);
    for (auto& thread : pool)
        thread.join();
    double total = 0;
    for (const double s : rowSums)
        total += s;
    figures.meanDeltaE = total / static_cast<double>(count);
    return figures;
}

std::string QualityText(const QualityFigures& figures) {
    char text[96];
    if (std::isinf(figures.psnr))
        std::snprintf(text, sizeof text, "%d colors, PSNR inf dB, mean CIEDE2000 %.3f",
                      figures.colorCount, figures.meanDeltaE);
    else
        std::snprintf(text, sizeof text, "%d colors, PSNR %.2f dB, mean CIEDE2000 %.3f",
                      figures.colorCount, figures.psnr, figures.meanDeltaE);
    return text;
}
