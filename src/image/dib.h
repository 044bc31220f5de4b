// The packed DIB: one zero-initialised block holding the bitmap header (40-byte information
// header or 12-byte core header), the colour table and the bottom-up pixel rows, with nothing
// between them. Every picture in xKorvo is one of these, owned by exactly one DibHandle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Move-only owner of one picture block. The size is the allocation size, which may exceed what
// the header describes (a plug-in's picture carries spare bytes; a pasted one may too).
class DibHandle {
public:
    DibHandle() = default;
    DibHandle(DibHandle&& other) noexcept;
    DibHandle& operator=(DibHandle&& other) noexcept; // a moved-from handle is null, size 0
    DibHandle(const DibHandle&) = delete;
    DibHandle& operator=(const DibHandle&) = delete;

    // A zero-filled block of `size` bytes, or a null handle when the memory cannot be had.
    static DibHandle Allocate(std::size_t size);

    explicit operator bool() const { return m_data != nullptr; }
    std::uint8_t* data() { return m_data.get(); }
    const std::uint8_t* data() const { return m_data.get(); }
    std::size_t size() const { return m_size; }
    void reset();

private:
    struct FreeDeleter {
        void operator()(std::uint8_t* p) const;
    };
    std::unique_ptr<std::uint8_t, FreeDeleter> m_data;
    std::size_t m_size = 0;
};

// Header sizes; any first word other than 40 makes the header a core header.
inline constexpr std::uint32_t kInfoHeaderSize = 40;
inline constexpr std::uint32_t kCoreHeaderSize = 12;

// Field offsets of the 40-byte information header.
namespace dibfield {
inline constexpr std::size_t Size = 0, Width = 4, Height = 8, Planes = 12, BitCount = 14,
                             Compression = 16, SizeImage = 20, XPelsPerMeter = 24,
                             YPelsPerMeter = 28, ClrUsed = 32, ClrImportant = 36;
}
inline constexpr std::uint32_t kCompressionNone = 0, kCompressionRle8 = 1, kCompressionRle4 = 2,
                               kCompressionBitfields = 3;

// Little-endian access to header fields, independent of alignment.
inline std::uint16_t ReadU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t ReadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::int32_t ReadI32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(ReadU32(p));
}
inline void WriteU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void WriteU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Derived values of a header. `dib` is the block's first byte; the block must hold the header
// (the entry check guarantees it for every block inside the system).
bool DibIsInfoHeader(const std::uint8_t* dib);
std::int32_t DibGetWidth(const std::uint8_t* dib);  // as stored; core headers zero-extend
std::int32_t DibGetHeight(const std::uint8_t* dib); // as stored; negative = top-down rows
std::uint16_t DibGetBitCount(const std::uint8_t* dib);
std::uint16_t DibGetColorCount(const std::uint8_t* dib);     // colours-used, else by bit count
std::uint16_t DibGetColorTableSize(const std::uint8_t* dib); // count x 4 (info) or x 3 (core)
// Bytes of the three colour masks that follow an information header with bit-field
// compression (12), else 0. The colour table and the pixels come after them.
std::uint32_t DibGetMaskSize(const std::uint8_t* dib);
const std::uint8_t* DibGetColorTable(const std::uint8_t* dib);
// Bytes per uncompressed row: rows are padded to a multiple of 4 bytes.
inline std::uint64_t DibRowStride(std::uint64_t bitCount, std::uint64_t width) {
    return (bitCount * width + 31) / 32 * 4;
}
const std::uint8_t* DibGetBits(const std::uint8_t* dib);
std::uint8_t* DibGetBits(std::uint8_t* dib);

// A byte-for-byte copy of the whole allocation, or a null handle.
DibHandle DibDuplicate(const DibHandle& dib);

// The colour table as opaque 0xFFRRGGBB values ready for a display colour table; empty for a
// null handle or a picture without a colour table.
std::vector<std::uint32_t> DibBuildPalette(const DibHandle& dib);
