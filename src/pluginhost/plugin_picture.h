// Turns the two blocks a plug-in hands back into one packed DIB: the 40-byte header, the full
// colour table (or three masks), the pixel rows bottom-up and 1024 spare zero bytes.
#pragma once

#include "image/dib.h"
#include "image/dib_check.h"

#include <cstddef>

struct PluginPictureCopy {
    DibHandle dib;                    // null unless status is Ok
    DibStatus status = DibStatus::Ok; // why the blocks were refused
};

// Copies what the header declares and nothing more: the header and its colours-used entries
// (all 2^bits when 0; the masks at 16 and 32 bits with bit-field compression), and stride x
// height pixel bytes (the image size for run-length pictures). `infoSize` and `bitsSize` are
// what the blocks can hold at most; nothing beyond them is read. Colour entries the plug-in did
// not declare, or its block lacks, become zeros; a pixel block shorter than declared is refused.
// Top-down rows are turned bottom-up; 16- and 32-bit pixels without masks get the standard masks.
// The copy has passed the entry check. Refused: a header that is too short, a bad size or bit
// count, a picture beyond kMaxPicturePixels or kMaxPluginPictureBytes.
[[nodiscard]] PluginPictureCopy CopyPluginPicture(const void* info, std::size_t infoSize,
                                                  const void* bits, std::size_t bitsSize);

// The largest block built from a plug-in's picture: room for 256 megapixels at 32 bits, far
// above any real photo.
inline constexpr std::uint64_t kMaxPluginPictureBytes = (std::uint64_t{1} << 30) + 65536;
