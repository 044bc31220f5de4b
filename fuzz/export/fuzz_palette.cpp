// Palette file bytes through the four parsers: the first byte picks the format (GIMP, colour
// table, JASC, hex), the rest is the file. Besides the sanitizers it checks that a palette read
// holds 1 to 256 colours of 24 bits and that writing it and reading it back gives the same.
#include "export/palette_file.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > kMaxPaletteFileBytes)
        return 0;
    const auto format = static_cast<PaletteFormat>(data[0] % 4);
    const PaletteRead read = ParsePalette(format, data + 1, size - 1);
    if (!read.error.empty()) {
        Require(read.palette.colors.empty());
        return 0;
    }
    const auto& colors = read.palette.colors;
    Require(!colors.empty() && colors.size() <= 256);
    for (const std::uint32_t c : colors)
        Require(c <= 0xFFFFFF);
    std::vector<std::uint8_t> bytes;
    Require(WritePalette(format, read.palette, [&](const std::uint8_t* p, std::size_t n) {
        bytes.insert(bytes.end(), p, p + n);
        return true;
    }));
    const PaletteRead again = ParsePalette(format, bytes.data(), bytes.size());
    Require(again.error.empty() && again.palette.colors == colors &&
            again.palette.transparentIndex == read.palette.transparentIndex);
    return 0;
}
