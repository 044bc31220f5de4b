#include "export/palette_file.h"

#include "export/indexed_picture.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace {

constexpr std::size_t kMaxColors = 256;
constexpr std::size_t kActTable = 768;

std::string LineError(std::size_t line, const std::string& what) {
    return "line " + std::to_string(line) + ": " + what;
}

// The lines of a text file without their line ends ("\n" or "\r\n").
std::vector<std::string_view> Lines(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string_view> lines;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// Reads "R G B" (decimal 0..255, separated by spaces or tabs) from the start of `s`; `rest`
// receives what follows.
std::optional<std::uint32_t> ReadTriple(std::string_view s, std::string_view& rest) {
    std::uint32_t color = 0;
    for (int channel = 0; channel < 3; ++channel) {
        s = Trim(s);
        std::size_t digits = 0;
        unsigned value = 0;
        while (digits < s.size() && std::isdigit(static_cast<unsigned char>(s[digits]))) {
            value = value * 10 + static_cast<unsigned>(s[digits] - '0');
            if (++digits > 3)
                return std::nullopt;
        }
        if (digits == 0 || value > 255 ||
            (digits < s.size() && s[digits] != ' ' && s[digits] != '\t'))
            return std::nullopt;
        color = color << 8 | value;
        s.remove_prefix(digits);
    }
    rest = s;
    return color;
}

const char* const kTripleError = "expected three numbers 0..255 (red, green, blue)";

std::string TooMany(std::size_t line) {
    return LineError(line, "more than 256 colours");
}

PaletteRead ParseGimp(const std::uint8_t* data, std::size_t size) {
    PaletteRead read;
    const auto lines = Lines(data, size);
    if (lines.empty() || Trim(lines[0]) != "GIMP Palette") {
        read.error = LineError(1, "not a GIMP palette (the first line must be \"GIMP Palette\")");
        return read;
    }
    for (std::size_t k = 1; k < lines.size(); ++k) {
        const std::string_view line = Trim(lines[k]);
        if (line.empty() || line.front() == '#' || line.starts_with("Name:") ||
            line.starts_with("Columns:"))
            continue;
        std::string_view rest;
        const auto color = ReadTriple(line, rest); // a name may follow the numbers
        if (!color) {
            read.error = LineError(k + 1, kTripleError);
            return read;
        }
        if (read.palette.colors.size() == kMaxColors) {
            read.error = TooMany(k + 1);
            return read;
        }
        read.palette.colors.push_back(*color);
    }
    return read;
}

PaletteRead ParseJasc(const std::uint8_t* data, std::size_t size) {
    PaletteRead read;
    const auto lines = Lines(data, size);
    if (lines.empty() || Trim(lines[0]) != "JASC-PAL") {
        read.error = LineError(1, "not a JASC palette (the first line must be \"JASC-PAL\")");
        return read;
    }
    if (lines.size() < 2 || Trim(lines[1]) != "0100") {
        read.error = LineError(2, "unknown JASC palette version (expected \"0100\")");
        return read;
    }
    std::size_t count = 0;
    const std::string_view countText = lines.size() > 2 ? Trim(lines[2]) : std::string_view();
    const bool digits = !countText.empty() && countText.size() <= 4 &&
                        std::all_of(countText.begin(), countText.end(), [](char c) {
                            return std::isdigit(static_cast<unsigned char>(c));
                        });
    if (digits)
        count = std::stoul(std::string(countText));
    if (!digits || count < 1 || count > kMaxColors) {
        read.error = LineError(3, "expected the colour count, 1..256");
        return read;
    }
    std::size_t k = 3;
    for (; k < lines.size(); ++k) {
        const std::string_view line = Trim(lines[k]);
        if (line.empty() && read.palette.colors.size() == count)
            continue; // blank lines after the last colour
        std::string_view rest;
        const auto color = ReadTriple(line, rest);
        if (!color || !Trim(rest).empty()) {
            read.error = LineError(k + 1, kTripleError);
            return read;
        }
        if (read.palette.colors.size() == count) {
            read.error = LineError(k + 1, "more colours than the count on line 3");
            return read;
        }
        read.palette.colors.push_back(*color);
    }
    if (read.palette.colors.size() < count)
        read.error = LineError(k + 1, "the file ends before the " + std::to_string(count) +
                                          " colours of line 3");
    return read;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

PaletteRead ParseHex(const std::uint8_t* data, std::size_t size) {
    PaletteRead read;
    const auto lines = Lines(data, size);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        std::string_view line = Trim(lines[k]);
        if (line.empty())
            continue;
        if (line.front() == '#') // "#rrggbb" is read too
            line.remove_prefix(1);
        std::uint32_t color = 0;
        bool ok = line.size() == 6;
        for (std::size_t i = 0; ok && i < 6; ++i) {
            const int d = HexDigit(line[i]);
            ok = d >= 0;
            color = color << 4 | static_cast<std::uint32_t>(d);
        }
        if (!ok) {
            read.error = LineError(k + 1, "expected six hex digits rrggbb");
            return read;
        }
        if (read.palette.colors.size() == kMaxColors) {
            read.error = TooMany(k + 1);
            return read;
        }
        read.palette.colors.push_back(color);
    }
    return read;
}

PaletteRead ParseAct(const std::uint8_t* data, std::size_t size) {
    PaletteRead read;
    if (size < kActTable) {
        read.error = "byte " + std::to_string(size) +
                     ": the file ends; a colour table is 768 or 772 bytes long";
        return read;
    }
    if (size != kActTable && size != kActTable + 4) {
        read.error = "byte " + std::to_string(size < kActTable + 4 ? kActTable : kActTable + 4) +
                     ": the file goes on; a colour table is 768 or 772 bytes long";
        return read;
    }
    std::size_t count = kMaxColors;
    if (size == kActTable + 4) {
        count = static_cast<std::size_t>(data[kActTable] << 8 | data[kActTable + 1]);
        const unsigned transparent = data[kActTable + 2] << 8 | data[kActTable + 3];
        if (count < 1 || count > kMaxColors) {
            read.error = "byte 768: colour count " + std::to_string(count) + ", not 1..256";
            return read;
        }
        if (transparent != 0xFFFF) {
            if (transparent >= count) {
                read.error = "byte 770: transparent index " + std::to_string(transparent) +
                             " beyond the " + std::to_string(count) + " colours";
                return read;
            }
            read.palette.transparentIndex = static_cast<int>(transparent);
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = data + 3 * i;
        read.palette.colors.push_back(static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]));
    }
    return read;
}

std::string TextOf(PaletteFormat format, const Palette& palette) {
    std::string text;
    char line[64];
    switch (format) {
    case PaletteFormat::Gimp:
        text = "GIMP Palette\nName: xKorvo\nColumns: 16\n#\n";
        break;
    case PaletteFormat::Jasc:
        text = "JASC-PAL\r\n0100\r\n" + std::to_string(palette.colors.size()) + "\r\n";
        break;
    default:
        break;
    }
    for (std::size_t i = 0; i < palette.colors.size(); ++i) {
        const std::uint32_t c = palette.colors[i];
        const unsigned r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
        switch (format) {
        case PaletteFormat::Gimp:
            std::snprintf(line, sizeof line, "%3u %3u %3u\tIndex %zu\n", r, g, b, i);
            break;
        case PaletteFormat::Jasc:
            std::snprintf(line, sizeof line, "%u %u %u\r\n", r, g, b);
            break;
        default:
            std::snprintf(line, sizeof line, "%02x%02x%02x\n", r, g, b);
            break;
        }
        text += line;
    }
    return text;
}

} // namespace

std::optional<PaletteFormat> PaletteFormatOf(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".gpl")
        return PaletteFormat::Gimp;
    if (ext == ".act")
        return PaletteFormat::Act;
    if (ext == ".pal")
        return PaletteFormat::Jasc;
    if (ext == ".hex")
        return PaletteFormat::Hex;
    return std::nullopt;
}

PaletteRead ParsePalette(PaletteFormat format, const std::uint8_t* data, std::size_t size) {
    PaletteRead read;
    switch (format) {
    case PaletteFormat::Gimp:
        read = ParseGimp(data, size);
        break;
    case PaletteFormat::Act:
        read = ParseAct(data, size);
        break;
    case PaletteFormat::Jasc:
        read = ParseJasc(data, size);
        break;
    case PaletteFormat::Hex:
        read = ParseHex(data, size);
        break;
    }
    if (read.error.empty() && read.palette.colors.empty())
        read.error = "no colours";
    if (!read.error.empty())
        read.palette = {};
    return read;
}

bool WritePalette(PaletteFormat format, const Palette& palette, const ByteSink& sink) {
    const std::size_t count = palette.colors.size();
    if (count < 1 || count > kMaxColors)
        return false;
    if (format != PaletteFormat::Act) {
        const std::string text = TextOf(format, palette);
        return sink(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    }
    std::array<std::uint8_t, kActTable + 4> table{};
    for (std::size_t i = 0; i < count; ++i) {
        table[3 * i] = static_cast<std::uint8_t>(palette.colors[i] >> 16);
        table[3 * i + 1] = static_cast<std::uint8_t>(palette.colors[i] >> 8);
        table[3 * i + 2] = static_cast<std::uint8_t>(palette.colors[i]);
    }
    const bool transparent =
        palette.transparentIndex >= 0 && static_cast<std::size_t>(palette.transparentIndex) < count;
    const unsigned index = transparent ? static_cast<unsigned>(palette.transparentIndex) : 0xFFFF;
    table[kActTable] = static_cast<std::uint8_t>(count >> 8);
    table[kActTable + 1] = static_cast<std::uint8_t>(count);
    table[kActTable + 2] = static_cast<std::uint8_t>(index >> 8);
    table[kActTable + 3] = static_cast<std::uint8_t>(index);
    return sink(table.data(), table.size());
}

PaletteRead ReadPaletteFile(const std::string& path) {
    PaletteRead read;
    const auto format = PaletteFormatOf(path);
    if (!format) {
        read.error = "not a palette file name (.gpl, .act, .pal or .hex)";
        return read;
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    std::ifstream in(path, std::ios::binary);
    if (ec || !in) {
        read.error = "cannot open or read the file";
        return read;
    }
    if (size > kMaxPaletteFileBytes) {
        read.error = "larger than 1 MiB: not a palette file";
        return read;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
        read.error = "cannot open or read the file";
        return read;
    }
    return ParsePalette(*format, bytes.data(), bytes.size());
}

SaveResult SavePaletteFile(const Palette& palette, const std::string& path, std::error_code* why) {
    const auto format = PaletteFormatOf(path);
    if (!format || palette.colors.empty() || palette.colors.size() > kMaxColors) {
        if (why)
            why->clear();
        return SaveResult::NotWritable;
    }
    return SaveReplacing(
        path, [&](const ByteSink& sink) { return WritePalette(*format, palette, sink); }, why);
}

PaletteRead PaletteFromPicture(const DibHandle& dib) {
    PaletteRead read;
    const IndexedPicture picture = ToIndexed(dib, read.error);
    if (picture.indices.empty()) {
        if (read.error.empty())
            read.error = "the picture cannot be unpacked";
        return read;
    }
    // The used entries in order of first appearance, each colour once.
    std::array<bool, 256> seen{};
    for (const std::uint8_t index : picture.indices) {
        if (seen[index])
            continue;
        seen[index] = true;
        const std::uint32_t color = picture.palette[index];
        if (std::find(read.palette.colors.begin(), read.palette.colors.end(), color) ==
            read.palette.colors.end())
            read.palette.colors.push_back(color);
    }
    return read;
}
