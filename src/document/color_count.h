// Number of distinct 24-bit colours among `count` pixels (0x00RRGGBB; the top byte is
// ignored), counted with one bit per possible colour. -1 when the bit set cannot be had.
#pragma once

#include <cstddef>
#include <cstdint>

int CountDistinctColors(const std::uint32_t* pixels, std::size_t count);
