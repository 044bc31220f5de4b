// The entry check: every DIB that enters the program (bitmap file, plug-in, clipboard) passes it
// once, so later code can trust that a block's header is sane and that the block holds the colour
// table and every pixel row (or run-length byte) the header describes.
#pragma once

#include "image/dib.h"

#include <cstddef>
#include <cstdint>

enum class DibStatus {
    Ok,
    BadHeader,      // header size other than 40 or 12, or planes other than 1
    BadDimensions,  // zero width or height
    TooLarge,       // negative width or height (top-down rows), or above kMaxPicturePixels
    BadBitCount,    // a bit count this header kind does not allow
    BadColorTable,  // colours-used beyond what the bit count indexes, or above 65535
    BadCompression, // unknown compression, one that does not fit the bit count, or bad masks
    Truncated,      // the block ends before the colour table or the pixel data does
    OutOfMemory,    // the block for the picture could not be allocated
};

// The largest picture, in pixels, that the program opens. Every buffer sized from header fields
// stays below it: 2^28 pixels (256 Mi) unpack to 1 GiB of 32-bit pixels, every row stride and
// image size still fits the 32-bit fields of a bitmap file, and width x height fits an int.
inline constexpr std::uint64_t kMaxPicturePixels = std::uint64_t{1} << 28;

// Where a header puts the pixels and how many pixel bytes it describes (the rows, or the
// run-length stream's image-size bytes): together the size of the whole picture.
struct DibExtent {
    std::uint64_t pixelOffset = 0; // header, colour masks and colour table
    std::uint64_t pixelBytes = 0;
    std::uint64_t size() const { return pixelOffset + pixelBytes; }
};

// Every check of DibValidate that the header alone decides, given the first `available` bytes
// of a DIB (the colour masks that follow an information header must be among them). Readers run
// it before they allocate anything for a picture, then take exactly `extent.size()` bytes.
[[nodiscard]] DibStatus DibCheckHeader(const std::uint8_t* dib, std::size_t available,
                                       DibExtent& extent);

[[nodiscard]] DibStatus DibValidate(const DibHandle& dib);

// A short English reason for messages and the command line.
const char* DibStatusText(DibStatus status);
