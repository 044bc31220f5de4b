#include "bmp_header.h"

#include "common/spi_dib.h"
#include "pluginhost/plugin_abi.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

namespace bmp {

namespace {

std::uint16_t U16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t U32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}

// A width or height field; top-down pictures store a negative height.
std::uint64_t Magnitude(std::uint32_t field) {
    return std::uint64_t(std::abs(std::int64_t(std::int32_t(field))));
}

bool CompressionFits(std::uint32_t compression, unsigned bits) {
    switch (compression) {
    case 0:
        return true;
    case 1:
        return bits == 8;
    case 2:
        return bits == 4;
    case 3:
        return bits == 16 || bits == 32;
    default: // 4 and 5 wrap JPEG and PNG streams, 6 adds an alpha mask after a 40-byte header
        return false;
    }
}

// A field of up to 8 bits is scaled by 256 / (its largest value + 1), so that 5-bit 31 becomes
// 248 as in the program's own reader; a gapped mask counts from its lowest to its highest bit.
// A wider field keeps its top 8 bits. False for a mask of all 32 bits.
bool MakeChannel(std::uint32_t mask, Channel& channel) {
    channel.mask = mask;
    channel.shift = mask != 0 ? unsigned(std::countr_zero(mask)) : 0;
    const std::uint32_t largest = mask >> channel.shift;
    if (largest == 0xFFFFFFFFu)
        return false;
    if (largest < 256) {
        channel.scale = 256 / (largest + 1);
        channel.drop = 0;
    } else {
        channel.scale = 0;
        channel.drop = unsigned(std::bit_width(largest)) - 8;
    }
    return true;
}

} // namespace

int ReadHeader(const unsigned char* p, std::size_t size, Header& out) {
    const unsigned char* h = p + kFileHeaderSize;
    // The size the header declares, checked before anything else: a picture beyond the limit is
    // refused as too large even when other fields are wrong too.
    const std::uint64_t declaredWidth = Magnitude(U32(h + 4));
    const std::uint64_t declaredHeight = Magnitude(U32(h + 8));
    if (declaredWidth != 0 && declaredHeight != 0 &&
        !spi::SizeAllowed(declaredWidth, declaredHeight))
        return SPI_ERR_MEMORY;

    // 16-byte OS/2 2.x headers and the 52- and 56-byte versions are not taken.
    const std::uint32_t headerSize = U32(h);
    if (headerSize != 40 && headerSize != 64 && headerSize != 108 && headerSize != 124)
        return SPI_ERR_FORMAT;
    if (kFileHeaderSize + headerSize > size)
        return SPI_ERR_FORMAT;
    const auto width = std::int32_t(U32(h + 4));
    const auto height = std::int32_t(U32(h + 8));
    const unsigned planes = U16(h + 12);
    const unsigned bits = U16(h + 14);
    const std::uint32_t compression = U32(h + 16);
    const std::uint32_t sizeImage = U32(h + 20);
    const std::uint32_t coloursUsed = U32(h + 32);
    if (width <= 0 || height == 0 || planes != 1)
        return SPI_ERR_FORMAT;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return SPI_ERR_FORMAT;
    if (!CompressionFits(compression, bits))
        return SPI_ERR_FORMAT;

    Header r;
    r.width = std::uint32_t(width);
    r.height = std::uint32_t(Magnitude(std::uint32_t(height)));
    r.topDown = height < 0;
    r.bitCount = bits;
    r.runLength = compression == 1 || compression == 2;
    r.stride = std::size_t((std::uint64_t(bits) * r.width + 31) / 32 * 4);

    // Masks lie inside the later headers; after a 40- or 64-byte one with bit-field compression.
    std::uint64_t at = kFileHeaderSize + headerSize;
    std::uint32_t masks[4] = {};
    if (headerSize >= 108) {
        for (int i = 0; i < 4; ++i)
            masks[i] = U32(h + 40 + 4 * i);
    } else if (compression == 3) {
        if (at + 12 > size)
            return SPI_ERR_FORMAT;
        for (int i = 0; i < 3; ++i)
            masks[i] = U32(p + at + 4 * i);
        at += 12;
    }

    if (bits <= 8) {
        // Colours-used may name more entries than the bits index (up to 256); they are read
        // and the pixels follow them.
        r.colours = coloursUsed != 0 ? coloursUsed : 1u << bits;
        if (coloursUsed > 256)
            return SPI_ERR_FORMAT;
        r.tableOffset = std::size_t(at);
        at += 4 * std::uint64_t(r.colours);
        if (at >= size)
            return SPI_ERR_FORMAT;
    } else {
        std::uint32_t alphaMask = 0;
        if (compression == 3) {
            alphaMask = masks[3];
        } else {
            masks[0] = bits == 16 ? 0x7C00 : 0xFF0000;
            masks[1] = bits == 16 ? 0x03E0 : 0x00FF00;
            masks[2] = bits == 16 ? 0x001F : 0x0000FF;
            // A later header whose alpha mask names the fourth byte of a plain 32-bit pixel
            // gives that byte as alpha; any other mask of a plain picture is ignored.
            alphaMask = bits == 32 && masks[3] == 0xFF000000u ? masks[3] : 0;
        }
        r.hasAlpha = alphaMask != 0;
        if (!MakeChannel(masks[0], r.red) || !MakeChannel(masks[1], r.green) ||
            !MakeChannel(masks[2], r.blue) || !MakeChannel(alphaMask, r.alpha))
            return SPI_ERR_FORMAT;
    }

    // The pixels start at the file header's offset, unless that points into the headers or the
    // colour table; the file must hold every row, or the run-length image size.
    const std::uint64_t start = std::max<std::uint64_t>(U32(p + 10), at);
    const std::uint64_t pixelBytes = r.runLength ? sizeImage : std::uint64_t(r.stride) * r.height;
    if (start > size || pixelBytes > size - start)
        return SPI_ERR_FORMAT;
    r.pixelOffset = std::size_t(start);
    out = r;
    return SPI_SUCCESS;
}

} // namespace bmp
