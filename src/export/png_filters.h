// The image data of a PNG file before compression: the picture's indices packed into rows of
// 1, 2, 4 or 8 bits (the seven passes of Adam7 when interlaced), and each row led by the filter
// byte that the filter choice gives it.
#pragma once

#include "export/indexed_picture.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct PackedPass {
    std::size_t offset = 0;   // first byte of the pass in PackedImage::bytes
    std::size_t rowBytes = 0; // bytes of one packed row, without the filter byte
    std::size_t rows = 0;
};

struct PackedImage {
    std::vector<std::uint8_t> bytes;
    std::vector<PackedPass> passes; // passes without pixels are left out, as PNG does
};

// The indices through `remap` (picture index -> file index), `depth` bits each, first pixel in
// the highest bits of a byte.
[[nodiscard]] PackedImage PackImage(const IndexedPicture& picture, const std::uint8_t* remap,
                                    int depth, bool interlace);

// How rows are filtered: one of the five PNG filters for every row, or for each row the filter
// whose output has the smallest sum of absolute values (the usual heuristic).
enum class FilterChoice { None, Sub, Up, Average, Paeth, PerRow };

// The image data with every row filtered as `choice` says.
[[nodiscard]] std::vector<std::uint8_t> FilterImage(const PackedImage& image, FilterChoice choice);

// The choice whose data compresses smallest, judged by compressing the same sample of rows
// under each choice.
[[nodiscard]] FilterChoice ChooseFilter(const PackedImage& image);
