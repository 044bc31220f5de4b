#include "image/dib.h"

#include <cstdlib>
#include <cstring>
#include <utility>

void DibHandle::FreeDeleter::operator()(std::uint8_t* p) const {
    std::free(p);
}

DibHandle DibHandle::Allocate(std::size_t size) {
    DibHandle h;
    // calloc hands out zeroed pages lazily, so big pictures do not pay for clearing up front.
    auto* p = static_cast<std::uint8_t*>(std::calloc(size == 0 ? 1 : size, 1));
    if (!p)
        return h;
    h.m_data.reset(p);
    h.m_size = size;
    return h;
}

DibHandle::DibHandle(DibHandle&& other) noexcept
    : m_data(std::move(other.m_data)), m_size(std::exchange(other.m_size, 0)) {}

DibHandle& DibHandle::operator=(DibHandle&& other) noexcept {
    m_data = std::move(other.m_data);
    m_size = std::exchange(other.m_size, 0);
    return *this;
}

void DibHandle::reset() {
    m_data.reset();
    m_size = 0;
}

bool DibIsInfoHeader(const std::uint8_t* dib) {
    return ReadU32(dib) == kInfoHeaderSize;
}

std::int32_t DibGetWidth(const std::uint8_t* dib) {
    return DibIsInfoHeader(dib) ? ReadI32(dib + dibfield::Width) : ReadU16(dib + 4);
}

std::int32_t DibGetHeight(const std::uint8_t* dib) {
    return DibIsInfoHeader(dib) ? ReadI32(dib + dibfield::Height) : ReadU16(dib + 6);
}

std::uint16_t DibGetBitCount(const std::uint8_t* dib) {
    return DibIsInfoHeader(dib) ? ReadU16(dib + dibfield::BitCount) : ReadU16(dib + 10);
}

std::uint16_t DibGetColorCount(const std::uint8_t* dib) {
    if (DibIsInfoHeader(dib)) {
        std::uint32_t used = ReadU32(dib + dibfield::ClrUsed);
        if (used != 0)
            return static_cast<std::uint16_t>(used);
    }
    switch (DibGetBitCount(dib)) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

std::uint16_t DibGetColorTableSize(const std::uint8_t* dib) {
    return static_cast<std::uint16_t>(DibGetColorCount(dib) * (DibIsInfoHeader(dib) ? 4 : 3));
}

std::uint32_t DibGetMaskSize(const std::uint8_t* dib) {
    return DibIsInfoHeader(dib) && ReadU32(dib + dibfield::Compression) == kCompressionBitfields
               ? 12
               : 0;
}

const std::uint8_t* DibGetColorTable(const std::uint8_t* dib) {
    return dib + ReadU32(dib) + DibGetMaskSize(dib);
}

const std::uint8_t* DibGetBits(const std::uint8_t* dib) {
    return DibGetColorTable(dib) + DibGetColorTableSize(dib);
}

std::uint8_t* DibGetBits(std::uint8_t* dib) {
    return dib + (DibGetBits(static_cast<const std::uint8_t*>(dib)) - dib);
}

DibHandle DibDuplicate(const DibHandle& dib) {
    if (!dib)
        return {};
    DibHandle copy = DibHandle::Allocate(dib.size());
    if (copy)
        std::memcpy(copy.data(), dib.data(), dib.size());
    return copy;
}

std::vector<std::uint32_t> DibBuildPalette(const DibHandle& dib) {
    std::vector<std::uint32_t> table;
    if (!dib)
        return table;
    const std::uint8_t* h = dib.data();
    const unsigned count = DibGetColorCount(h);
    const unsigned entry = DibIsInfoHeader(h) ? 4 : 3;
    const std::uint8_t* p = DibGetColorTable(h);
    table.reserve(count);
    for (unsigned i = 0; i < count; ++i, p += entry)
        table.push_back(0xFF000000u | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) |
                        p[0]);
    return table;
}
