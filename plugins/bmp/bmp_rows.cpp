#include "bmp_rows.h"

#include "pluginhost/plugin_abi.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace bmp {

namespace {

// Row `r` in the order the file stores them, counted from the top of the output.
std::uint8_t* StoredRow(spi::DibBuilder& dib, const Header& header, std::uint32_t r) {
    return dib.Row(header.topDown ? r : header.height - 1 - r);
}

void UnpackIndices(const unsigned char* in, unsigned bits, std::uint32_t width, std::uint8_t* out) {
    switch (bits) {
    case 8:
        std::memcpy(out, in, width);
        break;
    case 4:
        for (std::uint32_t x = 0; x < width; ++x)
            out[x] = x % 2 == 0 ? in[x / 2] >> 4 : in[x / 2] & 0x0F;
        break;
    default: // 1
        for (std::uint32_t x = 0; x < width; ++x)
            out[x] = (in[x / 8] >> (7 - x % 8)) & 1;
        break;
    }
}

// Run-length codes of 8-bit or 4-bit indices, from `s` to the end of the file, row by row in
// the order the file stores them. Pixels the codes skip keep index 0. Decoding ends at the
// end-of-picture code, after the last row, or where the file ends; a run or a jump past a row
// end, or past the last row, refuses the picture.
int DecodeRunLength(const unsigned char* s, std::size_t length, const Header& header,
                    spi::DibBuilder& dib) {
    const bool nibbles = header.bitCount == 4;
    const std::uint64_t width = header.width;
    std::uint64_t x = 0, y = 0;
    std::size_t at = 0;
    auto index = [nibbles](const unsigned char* from, unsigned i) -> std::uint8_t {
        return nibbles ? (i % 2 == 0 ? from[i / 2] >> 4 : from[i / 2] & 0x0F) : from[i];
    };
    while (y < header.height && length - at >= 2) {
        const unsigned count = s[at], value = s[at + 1];
        at += 2;
        if (count > 0) { // a run of one index, or of two alternating nibbles
            if (x + count > width)
                return SPI_ERR_FORMAT;
            const unsigned char run = static_cast<unsigned char>(value);
            std::uint8_t* out = StoredRow(dib, header, std::uint32_t(y)) + x;
            for (unsigned i = 0; i < count; ++i)
                out[i] = index(&run, nibbles ? i % 2 : 0);
            x += count;
        } else if (value == 0) { // end of row
            x = 0;
            ++y;
        } else if (value == 1) { // end of picture
            break;
        } else if (value == 2) { // jump right and on
            if (length - at < 2)
                break;
            x += s[at];
            y += s[at + 1];
            at += 2;
            if (x > width || y > header.height)
                return SPI_ERR_FORMAT;
        } else { // `value` literal indices, padded to an even number of bytes
            const std::size_t bytes = nibbles ? (value + 1) / 2 : value;
            if (length - at < bytes || x + value > width)
                return SPI_ERR_FORMAT;
            std::uint8_t* out = StoredRow(dib, header, std::uint32_t(y)) + x;
            for (unsigned i = 0; i < value; ++i)
                out[i] = index(s + at, i);
            x += value;
            at += bytes;
            at += std::min<std::size_t>(bytes % 2, length - at);
        }
    }
    return SPI_SUCCESS;
}

std::uint8_t Composite(const Channel& channel, std::uint32_t pixel, const Channel& alpha,
                       bool hasAlpha) {
    const std::uint8_t value = channel.Of(pixel);
    return hasAlpha ? spi::OverWhite(value, alpha.Of(pixel)) : value;
}

void UnpackTrueColour(const unsigned char* in, const Header& header, std::uint8_t* out) {
    const std::uint32_t width = header.width;
    if (header.bitCount == 24) { // blue, green, red, as the output stores them
        std::memcpy(out, in, std::size_t(width) * 3);
        return;
    }
    const unsigned bytes = header.bitCount / 8;
    for (std::uint32_t x = 0; x < width; ++x, in += bytes, out += 3) {
        std::uint32_t pixel = in[0] | (in[1] << 8);
        if (bytes == 4)
            pixel |= (in[2] << 16) | (std::uint32_t(in[3]) << 24);
        out[0] = Composite(header.blue, pixel, header.alpha, header.hasAlpha);
        out[1] = Composite(header.green, pixel, header.alpha, header.hasAlpha);
        out[2] = Composite(header.red, pixel, header.alpha, header.hasAlpha);
    }
}

} // namespace

int DecodeRows(const unsigned char* p, std::size_t size, const Header& header,
               spi::DibBuilder& dib) {
    const bool palette = header.bitCount <= 8;
    // A 1-bit picture with a one-entry table shows its other pixels white.
    const bool whiteSecond = header.bitCount == 1 && header.colours == 1;
    const int rc = dib.Create(header.width, header.height, palette ? 8 : 24,
                              palette ? header.colours + whiteSecond : 0);
    if (rc != SPI_SUCCESS)
        return rc;
    const unsigned char* pixels = p + header.pixelOffset;
    if (palette) {
        const unsigned char* table = p + header.tableOffset;
        for (unsigned i = 0; i < header.colours; ++i)
            dib.SetColor(i, table[4 * i + 2], table[4 * i + 1], table[4 * i]);
        if (whiteSecond)
            dib.SetColor(1, 255, 255, 255);
        if (header.runLength)
            return DecodeRunLength(pixels, size - header.pixelOffset, header, dib);
    }
    for (std::uint32_t r = 0; r < header.height; ++r) {
        const unsigned char* in = pixels + std::size_t(r) * header.stride;
        std::uint8_t* out = StoredRow(dib, header, r);
        if (palette)
            UnpackIndices(in, header.bitCount, header.width, out);
        else
            UnpackTrueColour(in, header, out);
    }
    return SPI_SUCCESS;
}

} // namespace bmp
