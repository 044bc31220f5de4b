#include "export/png_filters.h"

#include <algorithm>
#include <cstdlib>
#include <libdeflate.h>
#include <memory>

namespace {

struct Adam7Pass {
    int x0, y0, dx, dy;
};
constexpr Adam7Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                 {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

std::uint8_t Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return static_cast<std::uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Filters one row with filter type `type` (0..4) into `out`; `prior` is the row above in the
// same pass, or zeros. Palette pictures filter byte by byte.
void FilterRow(int type, const std::uint8_t* row, const std::uint8_t* prior, std::size_t n,
               std::uint8_t* out) {
    for (std::size_t x = 0; x < n; ++x) {
        const int a = x > 0 ? row[x - 1] : 0, b = prior[x], c = x > 0 ? prior[x - 1] : 0;
        int predicted = 0;
        switch (type) {
        case 1:
            predicted = a;
            break;
        case 2:
            predicted = b;
            break;
        case 3:
            predicted = (a + b) / 2;
            break;
        case 4:
            predicted = Paeth(a, b, c);
            break;
        default:
            break;
        }
        out[x] = static_cast<std::uint8_t>(row[x] - predicted);
    }
}

// Sum of the filtered bytes read as signed values, the measure of the per-row heuristic.
unsigned long SignedSum(const std::uint8_t* p, std::size_t n) {
    unsigned long sum = 0;
    for (std::size_t x = 0; x < n; ++x)
        sum +=
            static_cast<unsigned long>(std::abs(static_cast<int>(static_cast<std::int8_t>(p[x]))));
    return sum;
}

// Appends row `r` of `pass` filtered by `choice`: its filter byte and bytes.
void AppendRow(const PackedImage& image, const PackedPass& pass, std::size_t r, FilterChoice choice,
               const std::vector<std::uint8_t>& zeros, std::vector<std::uint8_t>& scratch,
               std::vector<std::uint8_t>& out) {
    const std::uint8_t* row = image.bytes.data() + pass.offset + r * pass.rowBytes;
    const std::uint8_t* prior = r > 0 ? row - pass.rowBytes : zeros.data();
    const std::size_t n = pass.rowBytes;
    int type = static_cast<int>(choice);
    if (choice == FilterChoice::PerRow) {
        unsigned long best = 0;
        for (int t = 0; t < 5; ++t) {
            FilterRow(t, row, prior, n, scratch.data());
            const unsigned long sum = SignedSum(scratch.data(), n);
            if (t == 0 || sum < best) {
                best = sum;
                type = t;
            }
        }
    }
    out.push_back(static_cast<std::uint8_t>(type));
    const std::size_t at = out.size();
    out.resize(at + n);
    FilterRow(type, row, prior, n, out.data() + at);
}

struct FreeCompressor {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

} // namespace

PackedImage PackImage(const IndexedPicture& picture, const std::uint8_t* remap, int depth,
                      bool interlace) {
    PackedImage image;
    const int passCount = interlace ? 7 : 1;
    const auto perByte = static_cast<std::size_t>(8 / depth);
    std::size_t total = 0;
    for (int p = 0; p < passCount; ++p) {
        const Adam7Pass a = interlace ? kAdam7[p] : Adam7Pass{0, 0, 1, 1};
        if (picture.width <= a.x0 || picture.height <= a.y0)
            continue;
        const auto columns = static_cast<std::size_t>((picture.width - a.x0 + a.dx - 1) / a.dx);
        PackedPass pass;
        pass.offset = total;
        pass.rowBytes = (columns + perByte - 1) / perByte;
        pass.rows = static_cast<std::size_t>((picture.height - a.y0 + a.dy - 1) / a.dy);
        total += pass.rowBytes * pass.rows;
        image.passes.push_back(pass);
    }
    image.bytes.assign(total, 0);
    std::size_t k = 0;
    for (int p = 0; p < passCount; ++p) {
        const Adam7Pass a = interlace ? kAdam7[p] : Adam7Pass{0, 0, 1, 1};
        if (picture.width <= a.x0 || picture.height <= a.y0)
            continue;
        const PackedPass& pass = image.passes[k++];
        for (std::size_t r = 0; r < pass.rows; ++r) {
            const auto y = static_cast<std::size_t>(a.y0) + r * static_cast<std::size_t>(a.dy);
            const std::uint8_t* src =
                picture.indices.data() + y * static_cast<std::size_t>(picture.width);
            std::uint8_t* dst = image.bytes.data() + pass.offset + r * pass.rowBytes;
            std::size_t column = 0;
            for (int x = a.x0; x < picture.width; x += a.dx, ++column) {
                const auto shift = static_cast<unsigned>(depth) *
                                   static_cast<unsigned>(perByte - 1 - column % perByte);
                dst[column / perByte] |= static_cast<std::uint8_t>(remap[src[x]] << shift);
            }
        }
    }
    return image;
}

std::vector<std::uint8_t> FilterImage(const PackedImage& image, FilterChoice choice) {
    std::size_t widest = 0, total = 0;
    for (const PackedPass& pass : image.passes) {
        widest = std::max(widest, pass.rowBytes);
        total += (pass.rowBytes + 1) * pass.rows;
    }
    const std::vector<std::uint8_t> zeros(widest, 0);
    std::vector<std::uint8_t> scratch(widest), out;
    out.reserve(total);
    for (const PackedPass& pass : image.passes)
        for (std::size_t r = 0; r < pass.rows; ++r)
            AppendRow(image, pass, r, choice, zeros, scratch, out);
    return out;
}

FilterChoice ChooseFilter(const PackedImage& image) {
    // The sample: bands of consecutive rows spread over every pass, about a megabyte in all,
    // so that matches within and across neighbouring rows count as they will in the file.
    constexpr std::size_t kSampleBytes = std::size_t{1} << 20;
    constexpr std::size_t kBandRows = 16;
    std::size_t widest = 0, total = 0;
    for (const PackedPass& pass : image.passes) {
        widest = std::max(widest, pass.rowBytes);
        total += (pass.rowBytes + 1) * pass.rows;
    }
    const std::size_t every = std::max<std::size_t>(1, total / kSampleBytes);
    const std::vector<std::uint8_t> zeros(widest, 0);
    std::vector<std::uint8_t> scratch(widest), sample, compressed;
    const std::unique_ptr<libdeflate_compressor, FreeCompressor> compressor(
        libdeflate_alloc_compressor(6));
    if (!compressor)
        return FilterChoice::None;

    FilterChoice best = FilterChoice::None;
    std::size_t bestSize = 0;
    for (int c = 0; c <= static_cast<int>(FilterChoice::PerRow); ++c) {
        const auto choice = static_cast<FilterChoice>(c);
        sample.clear();
        for (const PackedPass& pass : image.passes)
            for (std::size_t r = 0; r < pass.rows; ++r)
                if ((r / kBandRows) % every == 0)
                    AppendRow(image, pass, r, choice, zeros, scratch, sample);
        compressed.resize(libdeflate_deflate_compress_bound(compressor.get(), sample.size()));
        const std::size_t size = libdeflate_deflate_compress(
            compressor.get(), sample.data(), sample.size(), compressed.data(), compressed.size());
        if (c == 0 || (size != 0 && size < bestSize)) {
            best = choice;
            bestSize = size;
        }
    }
    return best;
}
