// Number of distinct 24-bit colours among `count` pixels (0x00RRGGBB; the top byte is
// ignored), counted with one bit per possible colour. -1 when the bit set cannot be had.
#pragma once

#include "image/dib.h"

#include <cstddef>
#include <cstdint>

int CountDistinctColors(const std::uint32_t* pixels, std::size_t count);

// The same for a picture, unpacked as a run would unpack it. -1 when the picture cannot be
// unpacked (no picture, a core header, ...) or the memory cannot be had.
int CountDistinctColors(const DibHandle& dib);
