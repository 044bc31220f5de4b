// Decodes the rows of a bitmap whose headers bmp::ReadHeader accepted into the plain DIB the
// host takes: 8 bits with the colour table for palette pictures (1, 4 and 8 bits, also
// run-length coded), 24 bits for the others, alpha composited over white.
#pragma once

#include "bmp_header.h"
#include "common/spi_dib.h"

#include <cstddef>

namespace bmp {

// `p` holds the whole file (`size` bytes). An SPI_* result code: SPI_ERR_FORMAT for run-length
// codes that reach past a row end or past the last row, SPI_ERR_MEMORY when the blocks cannot
// be had.
int DecodeRows(const unsigned char* p, std::size_t size, const Header& header,
               spi::DibBuilder& dib);

} // namespace bmp
