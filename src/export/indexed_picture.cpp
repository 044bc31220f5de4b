#include "export/indexed_picture.h"

#include "quant/pixel_array.h"

#include <algorithm>
#include <new>
#include <unordered_map>

namespace {

bool IsPalettePicture(const std::uint8_t* h, std::size_t size) {
    if (size < kInfoHeaderSize || !DibIsInfoHeader(h) ||
        ReadU32(h + dibfield::Compression) != kCompressionNone || DibGetWidth(h) <= 0 ||
        DibGetHeight(h) <= 0)
        return false;
    const unsigned bits = DibGetBitCount(h);
    return bits == 1 || bits == 4 || bits == 8;
}

IndexedPicture FromTable(const std::uint8_t* h) {
    IndexedPicture picture;
    picture.width = DibGetWidth(h);
    picture.height = DibGetHeight(h);
    const unsigned bits = DibGetBitCount(h);
    const unsigned count = std::min<unsigned>(DibGetColorCount(h), 1u << bits);
    const std::uint8_t* table = DibGetColorTable(h);
    for (unsigned i = 0; i < count; ++i)
        picture.palette.push_back(ReadU32(table + 4 * i) & 0xFFFFFF);

    const auto width = static_cast<std::size_t>(picture.width);
    const auto height = static_cast<std::size_t>(picture.height);
    picture.indices.resize(width * height);
    const std::uint64_t stride = DibRowStride(bits, width);
    const unsigned perByte = 8 / bits, mask = (1u << bits) - 1;
    unsigned highest = 0;
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* row = DibGetBits(h) + stride * (height - 1 - y); // bottom-up rows
        std::uint8_t* out = picture.indices.data() + width * y;
        for (std::size_t x = 0; x < width; ++x) {
            const unsigned shift = bits * (perByte - 1 - x % perByte); // first pixel highest
            const unsigned index = (row[x / perByte] >> shift) & mask;
            out[x] = static_cast<std::uint8_t>(index);
            highest = std::max(highest, index);
        }
    }
    if (highest >= picture.palette.size())
        picture.palette.resize(highest + 1, 0x000000);
    if (picture.palette.empty())
        picture.palette.push_back(0x000000);
    return picture;
}

} // namespace

IndexedPicture ToIndexed(const DibHandle& dib, std::string& reason) {
    try {
        if (dib && IsPalettePicture(dib.data(), dib.size()))
            return FromTable(dib.data());

        CPixelArray graph;
        graph.SetSource(&dib);
        if (!dib || !graph.LoadPixels()) {
            reason = "the picture cannot be unpacked";
            return {};
        }
        IndexedPicture picture;
        picture.width = graph.m_nWidth;
        picture.height = graph.m_nHeight;
        const std::size_t count =
            static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height);
        picture.indices.resize(count);
        std::unordered_map<std::uint32_t, std::uint8_t> known;
        std::uint32_t lastColor = 0xFFFFFFFF;
        std::uint8_t lastIndex = 0;
        for (std::size_t k = 0; k < count; ++k) {
            const std::uint32_t color = graph.m_pPixels[k] & 0xFFFFFF;
            if (color != lastColor) {
                auto [it, added] =
                    known.emplace(color, static_cast<std::uint8_t>(picture.palette.size()));
                if (added) {
                    if (picture.palette.size() == 256) {
                        reason = "the picture has more than 256 colours";
                        return {};
                    }
                    picture.palette.push_back(color);
                }
                lastColor = color;
                lastIndex = it->second;
            }
            picture.indices[k] = lastIndex;
        }
        return picture;
    } catch (const std::bad_alloc&) {
        reason = "not enough memory";
        return {};
    }
}
