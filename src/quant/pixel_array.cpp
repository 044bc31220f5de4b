#include "quant/pixel_array.h"

#include "image/dib_check.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <new>
#include <utility>

namespace {

// One colour channel of a 16- or 32-bit pixel, brought to 8 bits by keeping its top bits: a
// narrow field moves up with zero low bits (5-bit 31 becomes 248), a wide one drops its low
// bits. Common bitmap readers do the same, so a file shows the same colours here as elsewhere.
class Channel {
public:
    explicit Channel(std::uint32_t mask)
        : m_mask(mask), m_shift(std::countr_zero(mask)), m_width(std::popcount(mask)) {}

    std::uint32_t Unpack(std::uint32_t pixel) const {
        const std::uint32_t v = (pixel & m_mask) >> m_shift;
        return m_width >= 8 ? v >> (m_width - 8) : v << (8 - m_width);
    }

private:
    std::uint32_t m_mask;
    int m_shift;
    int m_width;
};

struct Masks {
    Channel red, green, blue;
    std::uint32_t Unpack(std::uint32_t pixel) const {
        return red.Unpack(pixel) << 16 | green.Unpack(pixel) << 8 | blue.Unpack(pixel);
    }
};

Masks PictureMasks(const std::uint8_t* h, unsigned bits) {
    if (DibGetMaskSize(h) != 0) {
        const std::uint8_t* m = h + kInfoHeaderSize;
        return {Channel(ReadU32(m)), Channel(ReadU32(m + 4)), Channel(ReadU32(m + 8))};
    }
    if (bits == 16)
        return {Channel(0x7C00), Channel(0x03E0), Channel(0x001F)};
    return {Channel(0xFF0000), Channel(0x00FF00), Channel(0x0000FF)};
}

// Colours of the 256 possible indices: the table's 24 colour bits (the fourth byte is not part
// of the colour), and black for an index beyond the table, so no unpacked value tops 0xFFFFFF.
void BuildLookup(const std::uint8_t* h, std::uint32_t (&lookup)[256]) {
    const unsigned count = DibGetColorCount(h);
    const std::uint8_t* table = DibGetColorTable(h);
    for (unsigned i = 0; i < 256; ++i)
        lookup[i] = i < count ? ReadU32(table + 4 * i) & 0xFFFFFF : 0;
}

void UnpackRows(const std::uint8_t* h, const std::uint32_t (&lookup)[256], std::uint32_t* out) {
    const std::uint32_t width = static_cast<std::uint32_t>(DibGetWidth(h));
    const std::uint32_t height = static_cast<std::uint32_t>(DibGetHeight(h));
    const unsigned bits = DibGetBitCount(h);
    const std::uint64_t stride = DibRowStride(bits, width);
    const Masks masks = PictureMasks(h, bits);
    for (std::uint32_t y = 0; y < height; ++y) {
        // Rows are stored bottom-up.
        const std::uint8_t* row = DibGetBits(h) + stride * (height - 1 - y);
        std::uint32_t* dst = out + std::uint64_t{width} * y;
        for (std::uint32_t x = 0; x < width; ++x) {
            switch (bits) {
            case 1:
                dst[x] = lookup[(row[x / 8] >> (7 - x % 8)) & 1];
                break;
            case 4:
                dst[x] = lookup[x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F];
                break;
            case 8:
                dst[x] = lookup[row[x]];
                break;
            case 16:
                dst[x] = masks.Unpack(ReadU16(row + 2 * x));
                break;
            case 24:
                dst[x] = std::uint32_t{row[3 * x + 2]} << 16 | std::uint32_t{row[3 * x + 1]} << 8 |
                         row[3 * x];
                break;
            default: // 32
                dst[x] = masks.Unpack(ReadU32(row + 4 * x));
                break;
            }
        }
    }
}

// Decodes a run-length stream of 8-bit (nibbles false) or 4-bit indices into `out`, or only
// checks it when `out` is null. Pixels the stream never sets keep colour-table entry 0. A run or
// a jump past a row end or past the last row refuses the picture; a stream that ends without its
// end-of-picture code ends the picture.
bool UnpackRunLength(const std::uint8_t* h, const std::uint32_t (&lookup)[256], bool nibbles,
                     std::uint32_t* out) {
    const std::uint32_t width = static_cast<std::uint32_t>(DibGetWidth(h));
    const std::uint32_t height = static_cast<std::uint32_t>(DibGetHeight(h));
    const std::uint8_t* s = DibGetBits(h);
    const std::uint8_t* end = s + ReadU32(h + dibfield::SizeImage);
    std::uint64_t x = 0, y = 0; // y counts rows from the bottom
    auto put = [&](unsigned index) {
        if (out)
            out[(height - 1 - y) * std::uint64_t{width} + x] = lookup[index];
        ++x;
    };
    while (end - s >= 2) {
        const unsigned count = s[0], value = s[1];
        s += 2;
        if (count > 0) { // a run of one index (8 bits) or two alternating nibbles (4 bits)
            if (y >= height || x + count > width)
                return false;
            for (unsigned i = 0; i < count; ++i)
                put(nibbles ? (i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
        } else if (value == 0) { // end of row
            x = 0;
            ++y;
        } else if (value == 1) { // end of picture
            return true;
        } else if (value == 2) { // jump right and up
            if (end - s < 2)
                return true;
            x += s[0];
            y += s[1];
            s += 2;
            if (x > width || y > height)
                return false;
        } else { // `value` literal indices, padded to an even number of bytes
            const std::uint64_t bytes = nibbles ? (value + 1) / 2 : value;
            if (static_cast<std::uint64_t>(end - s) < bytes)
                return false;
            if (y >= height || x + value > width)
                return false;
            for (unsigned i = 0; i < value; ++i)
                put(nibbles ? (i % 2 == 0 ? s[i / 2] >> 4 : s[i / 2] & 0x0F) : s[i]);
            s += bytes + bytes % 2;
        }
    }
    return true;
}

} // namespace

CPixelArray::CPixelArray() {
    for (std::uint32_t i = 0; i < 256; ++i)
        m_palette[i] = i * 256;
}

CPixelArray::~CPixelArray() {
    FreePixels();
}

void CPixelArray::SetSource(const DibHandle* source) {
    m_hSource = source;
}

PixelRows SourceRowsInPlace(const DibHandle* source) {
    if (UnpackRefusal(source))
        return {};
    const std::uint8_t* h = source->data();
    const std::int32_t width = DibGetWidth(h);
    const std::int32_t height = DibGetHeight(h);
    if (DibGetBitCount(h) != 24 || ReadU32(h + dibfield::Compression) != kCompressionNone ||
        width <= 0 || height <= 0)
        return {};
    const std::uint64_t stride = DibRowStride(24, static_cast<std::uint32_t>(width));
    // Rows are stored bottom-up: the top row is the last one in the block.
    const std::uint8_t* top = DibGetBits(h) + stride * static_cast<std::uint32_t>(height - 1);
    return PixelRows::Bgr(top, -static_cast<std::ptrdiff_t>(stride));
}

const char* UnpackRefusal(const DibHandle* source) {
    if (!source || !*source)
        return "there is no picture";
    const DibStatus status = DibValidate(*source);
    if (status != DibStatus::Ok)
        return DibStatusText(status);
    const std::uint8_t* h = source->data();
    if (!DibIsInfoHeader(h))
        return "the picture has a 12-byte core header";
    const std::uint32_t compression = ReadU32(h + dibfield::Compression);
    if (compression == kCompressionRle8 || compression == kCompressionRle4) {
        std::uint32_t lookup[256];
        BuildLookup(h, lookup);
        if (!UnpackRunLength(h, lookup, compression == kCompressionRle4, nullptr))
            return "the run-length codes reach outside the picture";
    }
    return nullptr;
}

bool CPixelArray::LoadPixels() {
    if (UnpackRefusal(m_hSource))
        return false;
    const std::uint8_t* h = m_hSource->data();
    const std::uint32_t compression = ReadU32(h + dibfield::Compression);
    const std::uint64_t pixels = std::uint64_t{static_cast<std::uint32_t>(DibGetWidth(h))} *
                                 static_cast<std::uint32_t>(DibGetHeight(h));

    auto* buffer = static_cast<std::uint32_t*>(std::malloc(pixels * sizeof(std::uint32_t)));
    if (!buffer)
        return false;
    std::uint32_t lookup[256];
    BuildLookup(h, lookup);
    bool ok = true;
    if (compression == kCompressionRle8 || compression == kCompressionRle4) {
        for (std::uint64_t i = 0; i < pixels; ++i)
            buffer[i] = lookup[0];
        ok = UnpackRunLength(h, lookup, compression == kCompressionRle4, buffer);
    } else {
        UnpackRows(h, lookup, buffer);
    }
    if (!ok) {
        std::free(buffer);
        return false;
    }
    FreePixels();
    m_pPixels = buffer;
    m_nWidth = DibGetWidth(h);
    m_nHeight = DibGetHeight(h);
    m_nBitCount = 24;
    m_nColors = 0;
    return true;
}

bool CPixelArray::BuildResultDib() {
    m_hResult.reset();
    if (!m_pPixels)
        return false;
    return PackResult([this](std::uint64_t k) { return m_pPixels[k]; });
}

bool CPixelArray::BuildResultDib(const std::uint8_t* indices) {
    m_hResult.reset();
    if (!indices)
        return false;
    return PackResult([indices](std::uint64_t k) { return std::uint32_t{indices[k]}; });
}

CPixelArray::ResultRows CPixelArray::AllocateResultDib() {
    m_hResult.reset();
    if (m_nWidth <= 0 || m_nHeight <= 0 || m_nColors < 0 || m_nColors > 256)
        return {};
    const unsigned bits = m_nColors < 3 ? 1 : m_nColors < 17 ? 4 : 8;
    const std::uint32_t width = static_cast<std::uint32_t>(m_nWidth);
    const std::uint32_t height = static_cast<std::uint32_t>(m_nHeight);
    const std::uint64_t stride = DibRowStride(bits, width);
    const std::uint64_t tableSize = 4 * std::uint64_t(m_nColors);
    const std::uint64_t size = kInfoHeaderSize + tableSize + stride * height;
    if (stride * height > 0xFFFFFFFFu)
        return {};
    DibHandle dib = DibHandle::Allocate(static_cast<std::size_t>(size));
    if (!dib)
        return {};

    std::uint8_t* h = dib.data();
    WriteU32(h, kInfoHeaderSize);
    WriteU32(h + dibfield::Width, width);
    WriteU32(h + dibfield::Height, height);
    WriteU16(h + dibfield::Planes, 1);
    WriteU16(h + dibfield::BitCount, static_cast<std::uint16_t>(bits));
    WriteU32(h + dibfield::SizeImage, static_cast<std::uint32_t>(stride * height));
    WriteU32(h + dibfield::ClrUsed, static_cast<std::uint32_t>(m_nColors));
    std::uint8_t* table = h + kInfoHeaderSize;
    for (int i = 0; i < m_nColors; ++i)
        WriteU32(table + 4 * i, m_palette[i] & 0xFFFFFF); // blue, green, red, 0
    m_hResult = std::move(dib);

    const auto step = static_cast<std::ptrdiff_t>(stride);
    return {table + tableSize + step * (static_cast<std::ptrdiff_t>(height) - 1), -step};
}

void CPixelArray::FinishResultRows(const std::uint8_t* order) {
    if (!m_hResult || DibGetBitCount(m_hResult.data()) != 8)
        return;
    const std::size_t width = static_cast<std::size_t>(m_nWidth);
    const std::size_t stride = static_cast<std::size_t>(DibRowStride(8, width));
    std::uint8_t* row = DibGetBits(m_hResult.data());
    for (int y = 0; y < m_nHeight; ++y, row += stride) {
        if (order)
            for (std::size_t x = 0; x < width; ++x)
                row[x] = order[row[x]];
        std::fill(row + width, row + stride, std::uint8_t{0});
    }
}

template <class IndexAt> bool CPixelArray::PackResult(IndexAt indexAt) {
    const ResultRows rows = AllocateResultDib();
    if (!rows.top)
        return false;
    const unsigned bits = m_nColors < 3 ? 1 : m_nColors < 17 ? 4 : 8;
    const std::uint32_t width = static_cast<std::uint32_t>(m_nWidth);
    const std::uint32_t height = static_cast<std::uint32_t>(m_nHeight);
    const std::uint32_t indexMask = (1u << bits) - 1;
    const unsigned perByte = 8 / bits;
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* row = rows.top + static_cast<std::ptrdiff_t>(y) * rows.step;
        const std::uint64_t start = std::uint64_t{width} * y;
        if (bits == 8) {
            for (std::uint32_t x = 0; x < width; ++x)
                row[x] = static_cast<std::uint8_t>(indexAt(start + x));
            continue;
        }
        for (std::uint32_t x = 0; x < width; ++x) {
            const unsigned shift = bits * (perByte - 1 - x % perByte); // first index highest
            row[x / perByte] |=
                static_cast<std::uint8_t>((indexAt(start + x) & indexMask) << shift);
        }
    }
    return true;
}

DibHandle CPixelArray::TakeResult() {
    return std::move(m_hResult);
}

void CPixelArray::FreePixels() {
    std::free(m_pPixels);
    m_pPixels = nullptr;
}
