#include "common/spi_dib.h"

#include "pluginhost/plugin_abi.h"

#include <cstdlib>

namespace spi {

namespace {

void PutU16(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
}

} // namespace

bool SizeAllowed(std::uint64_t width, std::uint64_t height) {
    return width != 0 && height != 0 && width <= kMaxPixels && height <= kMaxPixels &&
           width * height <= kMaxPixels;
}

DibBuilder::~DibBuilder() {
    std::free(m_info);
    std::free(m_bits);
}

int DibBuilder::Create(std::uint32_t width, std::uint32_t height, unsigned bitCount,
                       unsigned colours) {
    if (!SizeAllowed(width, height) || (bitCount != 8 && bitCount != 24) || colours > 256)
        return SPI_ERR_MEMORY;
    const std::uint64_t stride = (std::uint64_t(width) * bitCount + 31) / 32 * 4;
    const std::uint64_t pixelBytes = stride * height;
    const std::size_t tableEntries = bitCount == 8 ? 256 : 0;

    std::free(m_info);
    std::free(m_bits);
    m_info = static_cast<std::uint8_t*>(std::calloc(40 + 4 * tableEntries, 1));
    m_bits = static_cast<std::uint8_t*>(std::calloc(std::size_t(pixelBytes), 1));
    if (!m_info || !m_bits)
        return SPI_ERR_MEMORY;
    PutU32(m_info, 40);
    PutU32(m_info + 4, width);
    PutU32(m_info + 8, height);
    PutU16(m_info + 12, 1);
    PutU16(m_info + 14, bitCount);
    PutU32(m_info + 20, std::uint32_t(pixelBytes));
    PutU32(m_info + 32, bitCount == 8 ? colours : 0);
    m_width = width;
    m_height = height;
    m_stride = std::size_t(stride);
    return SPI_SUCCESS;
}

void DibBuilder::SetColor(unsigned index, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    std::uint8_t* entry = m_info + 40 + 4 * index;
    entry[0] = blue;
    entry[1] = green;
    entry[2] = red;
}

std::uint8_t* DibBuilder::Row(std::uint32_t y) {
    return m_bits + (m_height - 1 - y) * m_stride;
}

void DibBuilder::HandOver(void** pHBInfo, void** pHBm) {
    *pHBInfo = m_info;
    *pHBm = m_bits;
    m_info = nullptr;
    m_bits = nullptr;
}

} // namespace spi
