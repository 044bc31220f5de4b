// Turns the two blocks a plug-in hands back into one packed DIB: the 40-byte header, the full
// colour table (or three masks), the pixel rows bottom-up and 1024 spare zero bytes.
#pragma once

#include "image/dib.h"

#include <cstddef>

// `infoSize` and `bitsSize` are the blocks' real sizes; nothing beyond them is read, whatever
// the header says. Colour entries the block lacks become zeros; top-down rows are turned
// bottom-up; 16- and 32-bit pixels without masks get the standard masks. A null handle for a
// header that is too short, a negative width, a bit count other than 1, 4, 8, 16, 24 or 32, or a
// picture beyond kMaxPluginPictureBytes.
[[nodiscard]] DibHandle CopyPluginPicture(const void* info, std::size_t infoSize, const void* bits,
                                          std::size_t bitsSize);

// The largest block built from a plug-in's picture: room for 256 megapixels at 32 bits, far
// above any real photo.
inline constexpr std::uint64_t kMaxPluginPictureBytes = (std::uint64_t{1} << 30) + 65536;
