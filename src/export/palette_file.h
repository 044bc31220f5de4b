// Palette files in four formats, chosen by the file name's extension: GIMP palettes (.gpl),
// Adobe colour tables (.act: 256 RGB triples, then the 16-bit big-endian colour count and
// transparent index), JASC palettes (.pal) and plain hex lists (.hex, one rrggbb a line). Read
// from bytes and written to a sink, so every format is tested in memory. A palette holds 1 to
// 256 colours; a file with none, more, or bad syntax is refused with the line or byte at fault.
#pragma once

#include "image/dib.h"
#include "image/file_replace.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

enum class PaletteFormat { Gimp, Act, Jasc, Hex };

struct Palette {
    std::vector<std::uint32_t> colors; // 0x00RRGGBB
    int transparentIndex = -1;         // only colour tables store one
};

struct PaletteRead {
    Palette palette;
    std::string error; // empty when the palette was read
};

// The format named by the extension of `path` (any case), if it is one of the four.
[[nodiscard]] std::optional<PaletteFormat> PaletteFormatOf(const std::string& path);

[[nodiscard]] PaletteRead ParsePalette(PaletteFormat format, const std::uint8_t* data,
                                       std::size_t size);
// False when the palette has no colours or more than 256, or the sink refused bytes.
[[nodiscard]] bool WritePalette(PaletteFormat format, const Palette& palette, const ByteSink& sink);

// Palette files are small; a larger file is refused unread.
inline constexpr std::size_t kMaxPaletteFileBytes = std::size_t{1} << 20;

// Reads a palette file in the format its extension names.
[[nodiscard]] PaletteRead ReadPaletteFile(const std::string& path);
// Writes a palette file in the format its extension names, replacing an existing file only by a
// complete new one. NotWritable for an unknown extension or an unwritable palette.
[[nodiscard]] SaveResult SavePaletteFile(const Palette& palette, const std::string& path,
                                         std::error_code* why = nullptr);

// The distinct colours of a picture of at most 256 of them, in the order they first appear,
// top row first.
[[nodiscard]] PaletteRead PaletteFromPicture(const DibHandle& dib);
