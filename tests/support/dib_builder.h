// Hand-built pictures for the tests: an information or core header followed by whatever bytes
// a test gives (masks, colour table, pixels), so every field can be set to a hostile value.
#pragma once

#include "image/dib.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

struct DibFields {
    std::uint32_t headerSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t planes = 1;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
};

inline std::vector<std::uint8_t> HeaderBytes(const DibFields& f) {
    std::vector<std::uint8_t> b(f.headerSize == 12 ? 12 : 40);
    WriteU32(b.data(), f.headerSize);
    if (f.headerSize == 12) {
        WriteU16(b.data() + 4, static_cast<std::uint16_t>(f.width));
        WriteU16(b.data() + 6, static_cast<std::uint16_t>(f.height));
        WriteU16(b.data() + 8, f.planes);
        WriteU16(b.data() + 10, f.bits);
        return b;
    }
    WriteU32(b.data() + dibfield::Width, static_cast<std::uint32_t>(f.width));
    WriteU32(b.data() + dibfield::Height, static_cast<std::uint32_t>(f.height));
    WriteU16(b.data() + dibfield::Planes, f.planes);
    WriteU16(b.data() + dibfield::BitCount, f.bits);
    WriteU32(b.data() + dibfield::Compression, f.compression);
    WriteU32(b.data() + dibfield::SizeImage, f.sizeImage);
    WriteU32(b.data() + dibfield::ClrUsed, f.clrUsed);
    WriteU32(b.data() + dibfield::ClrImportant, f.clrImportant);
    return b;
}

// The header followed by `rest`, in a block of exactly that size.
inline DibHandle MakeDib(const DibFields& f, const std::vector<std::uint8_t>& rest = {}) {
    std::vector<std::uint8_t> bytes = HeaderBytes(f);
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    DibHandle dib = DibHandle::Allocate(bytes.size());
    std::memcpy(dib.data(), bytes.data(), bytes.size());
    return dib;
}

// Colour-table bytes (blue, green, red, reserved) for 0x00RRGGBB values; `reserved` fills the
// fourth byte.
inline std::vector<std::uint8_t> TableBytes(const std::vector<std::uint32_t>& colours,
                                            std::uint8_t reserved = 0) {
    std::vector<std::uint8_t> b;
    for (std::uint32_t c : colours) {
        b.push_back(static_cast<std::uint8_t>(c));
        b.push_back(static_cast<std::uint8_t>(c >> 8));
        b.push_back(static_cast<std::uint8_t>(c >> 16));
        b.push_back(reserved);
    }
    return b;
}

// Little-endian 32-bit words, such as masks.
inline std::vector<std::uint8_t> Words(const std::vector<std::uint32_t>& words) {
    std::vector<std::uint8_t> b(4 * words.size());
    for (std::size_t i = 0; i < words.size(); ++i)
        WriteU32(b.data() + 4 * i, words[i]);
    return b;
}

inline std::vector<std::uint8_t> Concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const std::vector<std::uint8_t>& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}
inline std::vector<std::uint8_t> Concat(const std::vector<std::uint8_t>& a,
                                        const std::vector<std::uint8_t>& b) {
    return Concat({a, b});
}

// The stored rows of a 24-bit picture of width x height pixels, given top row first as
// 0x00RRGGBB: bottom row first, blue-green-red, each row padded to 4 bytes.
inline std::vector<std::uint8_t> Rows24(int width, int height,
                                        const std::vector<std::uint32_t>& topDown) {
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    const std::size_t rows = static_cast<std::size_t>(height);
    std::vector<std::uint8_t> pixels(stride * rows, 0);
    for (std::size_t y = 0; y < rows; ++y)
        for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
            const std::uint32_t c = topDown[y * static_cast<std::size_t>(width) + x];
            std::uint8_t* p = pixels.data() + stride * (rows - 1 - y) + 3 * x;
            p[0] = c & 0xFF;
            p[1] = (c >> 8) & 0xFF;
            p[2] = (c >> 16) & 0xFF;
        }
    return pixels;
}

// A bottom-up 24-bit picture of width x height pixels, given top row first as 0x00RRGGBB.
inline DibHandle MakeDib24(int width, int height, const std::vector<std::uint32_t>& topDown) {
    std::vector<std::uint8_t> pixels = Rows24(width, height, topDown);
    DibFields f;
    f.width = width;
    f.height = height;
    f.sizeImage = static_cast<std::uint32_t>(pixels.size());
    return MakeDib(f, pixels);
}

// A bitmap file holding MakeDib(f, rest): the 14-byte file header, with the pixel offset counted
// from the header's own fields, then the block.
inline std::vector<std::uint8_t> BitmapFile(const DibFields& f,
                                            const std::vector<std::uint8_t>& rest = {}) {
    const bool core = f.headerSize == 12;
    const std::uint32_t entries = f.clrUsed ? f.clrUsed : f.bits <= 8 ? 1u << f.bits : 0;
    const std::vector<std::uint8_t> dib = Concat(HeaderBytes(f), rest);
    std::vector<std::uint8_t> file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    WriteU32(file.data() + 2, static_cast<std::uint32_t>(14 + dib.size()));
    WriteU32(file.data() + 10,
             14 + (core ? 12 : 40) + entries * (core ? 3 : 4) + (f.compression == 3 ? 12 : 0));
    return Concat(file, dib);
}
