// The bitmap file headers this plug-in reads, reduced to what decoding the rows takes: 40-byte
// information headers (with top-down rows), 64-byte OS/2 2.x headers, and the 108- and 124-byte
// later versions. Every size and offset is checked against the file here, before anything is
// allocated for the picture.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bmp {

inline constexpr std::size_t kFileHeaderSize = 14;

// How one colour field of a 16- or 32-bit pixel becomes 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    unsigned shift = 0; // of the mask's lowest bit
    unsigned scale = 0; // a field of up to 8 bits: its factor, 256 / (largest value + 1)
    unsigned drop = 0;  // a wider field: the low bits left out

    std::uint8_t Of(std::uint32_t pixel) const {
        const std::uint32_t v = (pixel & mask) >> shift;
        return static_cast<std::uint8_t>(scale != 0 ? v * scale : v >> drop);
    }
};

struct Header {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool topDown = false;
    unsigned bitCount = 0;  // 1, 4, 8, 16, 24 or 32
    bool runLength = false; // run-length codes of 8 or 4 bits
    unsigned colours = 0;   // colour-table entries, 1..256, at 8 bits and fewer
    std::size_t tableOffset = 0;
    Channel red, green, blue, alpha;
    bool hasAlpha = false;       // composited over white
    std::size_t pixelOffset = 0; // the rows, or the run-length codes up to the end of the file
    std::size_t stride = 0;      // bytes per stored row, padded to 4
};

// Reads the headers of the bitmap file `p` (`size` bytes, at least the file header and 12
// bytes of the information header). SPI_ERR_MEMORY for a picture beyond the size limit,
// SPI_ERR_FORMAT for one this reader does not take or whose file ends before its last pixel
// byte, else SPI_SUCCESS with `out` filled.
int ReadHeader(const unsigned char* p, std::size_t size, Header& out);

} // namespace bmp
