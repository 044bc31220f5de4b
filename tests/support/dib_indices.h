// Reads a 1-, 4- or 8-bit picture back as its colour table and palette indices, by the layout of
// the BMP format alone, for tests that check what the engine wrote.
#pragma once

#include "image/dib.h"

#include <cstdint>
#include <vector>

struct IndexedPicture {
    std::vector<std::uint32_t> palette; // the colours-used entries, 0x00RRGGBB
    std::vector<std::uint8_t> indices;  // width x height, top row first
};

inline IndexedPicture ReadIndexed(const DibHandle& dib) {
    IndexedPicture r;
    const std::uint8_t* d = dib.data();
    const int width = ReadI32(d + dibfield::Width), height = ReadI32(d + dibfield::Height);
    const int bits = ReadU16(d + dibfield::BitCount);
    const std::uint32_t colours = ReadU32(d + dibfield::ClrUsed);
    for (std::uint32_t i = 0; i < colours; ++i)
        r.palette.push_back(ReadU32(d + 40 + 4 * i) & 0xFFFFFF);
    const std::uint8_t* rows = d + 40 + 4 * colours;
    const std::size_t stride = (std::size_t(width) * bits + 31) / 32 * 4;
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x) {
            const int bit = x * bits, byte = rows[stride * std::size_t(y) + std::size_t(bit / 8)];
            r.indices.push_back(std::uint8_t((byte >> (8 - bits - bit % 8)) & ((1 << bits) - 1)));
        }
    return r;
}
