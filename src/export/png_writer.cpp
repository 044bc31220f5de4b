#include "export/png_writer.h"

#include "export/png_filters.h"

#include <array>
#include <cstring>
#include <libdeflate.h>
#include <memory>
#include <new>
#include <vector>

namespace {

struct FreeCompressor {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};
using Compressor = std::unique_ptr<libdeflate_compressor, FreeCompressor>;

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// One chunk: length, type, data, CRC over type and data.
bool WriteChunk(const ByteSink& sink, const char (&type)[5], const std::uint8_t* data,
                std::size_t size) {
    std::uint8_t head[8];
    for (int i = 0; i < 4; ++i)
        head[i] = static_cast<std::uint8_t>(size >> (24 - 8 * i));
    std::memcpy(head + 4, type, 4);
    std::uint32_t crc = libdeflate_crc32(0, head + 4, 4);
    if (size != 0) // a null buffer would ask libdeflate for the CRC's start value
        crc = libdeflate_crc32(crc, data, size);
    std::uint8_t tail[4];
    for (int i = 0; i < 4; ++i)
        tail[i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    return sink(head, 8) && (size == 0 || sink(data, size)) && sink(tail, 4);
}

// The palette the file carries and where each of the picture's entries went.
struct FilePalette {
    std::vector<std::uint32_t> colors;
    bool transparent = false;              // entry 0 is the transparent one
    std::array<std::uint8_t, 256> remap{}; // picture index -> file index
};

FilePalette CompactPalette(const IndexedPicture& picture, int transparentIndex) {
    std::array<bool, 256> used{};
    for (const std::uint8_t index : picture.indices)
        used[index] = true;
    FilePalette file;
    const int count = static_cast<int>(picture.palette.size());
    if (transparentIndex >= 0 && transparentIndex < count) {
        // Kept even when no pixel uses it: a transparent colour was asked for.
        file.transparent = true;
        file.remap[static_cast<std::size_t>(transparentIndex)] = 0;
        file.colors.push_back(picture.palette[static_cast<std::size_t>(transparentIndex)]);
    }
    for (int i = 0; i < count; ++i) {
        if (!used[static_cast<std::size_t>(i)] || (file.transparent && i == transparentIndex))
            continue;
        const std::uint32_t color = picture.palette[static_cast<std::size_t>(i)];
        std::size_t at = file.transparent ? 1 : 0;
        while (at < file.colors.size() && file.colors[at] != color)
            ++at;
        if (at == file.colors.size())
            file.colors.push_back(color);
        file.remap[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(at);
    }
    return file;
}

int BitDepth(std::size_t colors) {
    return colors <= 2 ? 1 : colors <= 4 ? 2 : colors <= 16 ? 4 : 8;
}

} // namespace

bool WritePng(const IndexedPicture& picture, const PngOptions& options, const ByteSink& sink) {
    if (picture.width <= 0 || picture.height <= 0 || picture.palette.empty() ||
        picture.indices.size() !=
            static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height))
        return false;
    try {
        const FilePalette palette = CompactPalette(picture, options.transparentIndex);
        const int depth = BitDepth(palette.colors.size());

        PackedImage packed = PackImage(picture, palette.remap.data(), depth, options.interlace);
        const std::vector<std::uint8_t> filtered = FilterImage(packed, ChooseFilter(packed));
        packed = {};

        Compressor compressor(libdeflate_alloc_compressor(options.level));
        if (!compressor)
            return false;
        std::vector<std::uint8_t> data(
            libdeflate_zlib_compress_bound(compressor.get(), filtered.size()));
        const std::size_t dataSize = libdeflate_zlib_compress(
            compressor.get(), filtered.data(), filtered.size(), data.data(), data.size());
        if (dataSize == 0)
            return false;

        static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        std::vector<std::uint8_t> header;
        PutU32(header, static_cast<std::uint32_t>(picture.width));
        PutU32(header, static_cast<std::uint32_t>(picture.height));
        header.push_back(static_cast<std::uint8_t>(depth));
        header.push_back(3); // colour type: palette
        header.push_back(0); // compression: DEFLATE
        header.push_back(0); // filter method: adaptive
        header.push_back(options.interlace ? 1 : 0);
        std::vector<std::uint8_t> plte;
        for (const std::uint32_t c : palette.colors) {
            plte.push_back(static_cast<std::uint8_t>(c >> 16));
            plte.push_back(static_cast<std::uint8_t>(c >> 8));
            plte.push_back(static_cast<std::uint8_t>(c));
        }
        const std::uint8_t opacity = 0; // of entry 0; later entries are opaque without tRNS bytes
        if (!sink(kSignature, sizeof kSignature) ||
            !WriteChunk(sink, "IHDR", header.data(), header.size()) ||
            !WriteChunk(sink, "PLTE", plte.data(), plte.size()) ||
            (palette.transparent && !WriteChunk(sink, "tRNS", &opacity, 1)))
            return false;
        // Chunks hold at most 2^31 - 1 bytes.
        constexpr std::size_t kMaxChunk = std::size_t{1} << 30;
        for (std::size_t at = 0; at < dataSize; at += kMaxChunk)
            if (!WriteChunk(sink, "IDAT", data.data() + at, std::min(kMaxChunk, dataSize - at)))
                return false;
        return WriteChunk(sink, "IEND", nullptr, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
}
