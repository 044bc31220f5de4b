// Builds the two blocks a plug-in hands to the host: a 40-byte information header with its
// colour table, and the pixel rows bottom-up, each padded to 4 bytes. Decoders fill rows counted
// from the top; the builder frees whatever it has not handed over.
#pragma once

#include <cstddef>
#include <cstdint>

namespace spi {

// The plug-ins' size limit: pictures of more than 256 megapixels (far above any real photo, and
// at most 1 GiB of 24-bit rows) are refused before anything is allocated for them.
#ifndef XKORVO_SPI_FUZZING
inline constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 28;
#else
inline constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 22; // fuzz builds: 4 megapixels
#endif

// True when a width x height picture is within the limit (and neither side is 0).
bool SizeAllowed(std::uint64_t width, std::uint64_t height);

// A colour channel composited over white with its alpha, rounded to nearest.
inline std::uint8_t OverWhite(unsigned channel, unsigned alpha) {
    return static_cast<std::uint8_t>((channel * alpha + 255u * (255u - alpha) + 127u) / 255u);
}

class DibBuilder {
public:
    DibBuilder() = default;
    DibBuilder(const DibBuilder&) = delete;
    DibBuilder& operator=(const DibBuilder&) = delete;
    ~DibBuilder();

    // Allocates both blocks, zero-filled: 8 bits per pixel with a 256-entry table of which
    // `colours` are used, or 24 bits per pixel without a table. An SPI_* result code; the size
    // limit is checked first.
    int Create(std::uint32_t width, std::uint32_t height, unsigned bitCount, unsigned colours);

    // Colour-table entry `index` (< 256) of an 8-bit picture.
    void SetColor(unsigned index, std::uint8_t red, std::uint8_t green, std::uint8_t blue);

    // Row `y` counted from the top of the picture.
    std::uint8_t* Row(std::uint32_t y);

    std::uint32_t width() const { return m_width; }
    std::uint32_t height() const { return m_height; }
    std::size_t stride() const { return m_stride; }

    // Gives both blocks to the caller (the host, who frees them).
    void HandOver(void** pHBInfo, void** pHBm);

private:
    std::uint8_t* m_info = nullptr;
    std::uint8_t* m_bits = nullptr;
    std::uint32_t m_width = 0;
    std::uint32_t m_height = 0;
    std::size_t m_stride = 0;
};

} // namespace spi
