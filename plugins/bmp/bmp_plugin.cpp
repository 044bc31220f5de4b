// BMP import plug-in for the bitmap files the program's own reader does not take: the 64-byte
// OS/2 2.x header, the 108- and 124-byte later versions most programs write today, and top-down
// rows. It hands them over as a plain 40-byte bottom-up DIB: 8 bits with the colour table for
// palette pictures, 24 bits otherwise, alpha over white. Classic bottom-up files with 40- or
// 12-byte headers are left to the program's reader. No library: loading it costs next to
// nothing, which matters because it is asked first about every file a plug-in reads.
#include "bmp_header.h"
#include "bmp_rows.h"
#include "common/spi_dib.h"
#include "common/spi_input.h"
#include "common/spi_picture.h"
#include "pluginhost/plugin_abi.h"

#include <cstdint>

namespace {

const spi::PluginTexts kTexts = {"xKorvo BMP reader (later header versions, top-down rows)",
                                 "*.bmp;*.dib", "Bitmap picture"};

std::uint32_t U32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}

// A bitmap file that the program's own reader refuses or misreads. `p` holds at least 26 bytes.
bool NeedsThisReader(const unsigned char* p) {
    if (p[0] != 'B' || p[1] != 'M')
        return false;
    const std::uint32_t headerSize = U32(p + bmp::kFileHeaderSize);
    if (headerSize == 12)
        return false;
    if (headerSize != 40)
        return headerSize >= 16; // later and OS/2 2.x headers; anything smaller is no header
    return std::int32_t(U32(p + bmp::kFileHeaderSize + 8)) < 0; // top-down rows
}

bool Accepts(const unsigned char* p, std::size_t size) {
    return size >= bmp::kFileHeaderSize + 12 && NeedsThisReader(p);
}

int Decode(const spi::Input& input, spi::DibBuilder& dib, SpiProgressCallback, long) {
    bmp::Header header;
    const int rc = bmp::ReadHeader(input.data(), input.size(), header);
    if (rc != SPI_SUCCESS)
        return rc;
    return bmp::DecodeRows(input.data(), input.size(), header, dib);
}

const spi::Format kFormat = {kTexts, Accepts, Decode};

} // namespace

SPI_PLUGIN_EXPORTS(kFormat)
