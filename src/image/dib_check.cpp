#include "image/dib_check.h"

#include <bit>

namespace {

bool BitCountAllowed(bool info, unsigned bits) {
    switch (bits) {
    case 1:
    case 4:
    case 8:
    case 24:
        return true;
    case 16:
    case 32:
        return info;
    default:
        return false;
    }
}

bool CompressionFits(std::uint32_t compression, unsigned bits) {
    switch (compression) {
    case kCompressionNone:
        return true;
    case kCompressionRle8:
        return bits == 8;
    case kCompressionRle4:
        return bits == 4;
    case kCompressionBitfields:
        return bits == 16 || bits == 32;
    default:
        return false;
    }
}

// A colour mask must name at least one bit, inside the pixel, in one contiguous run: the unpacker
// turns it into a shift and a width.
bool MaskUsable(std::uint32_t mask, unsigned bits) {
    if (mask == 0)
        return false;
    if (bits == 16 && (mask >> 16) != 0)
        return false;
    const std::uint32_t field = mask >> std::countr_zero(mask);
    return (field & (field + 1)) == 0;
}

} // namespace

DibStatus DibCheckHeader(const std::uint8_t* h, std::size_t available, DibExtent& extent) {
    if (!h || available < 4)
        return DibStatus::Truncated;
    const std::uint32_t headerSize = ReadU32(h);
    const bool info = headerSize == kInfoHeaderSize;
    if (!info && headerSize != kCoreHeaderSize)
        return DibStatus::BadHeader;
    if (available < headerSize)
        return DibStatus::Truncated;

    const std::int64_t width = DibGetWidth(h);
    const std::int64_t height = DibGetHeight(h);
    const unsigned planes = ReadU16(h + (info ? dibfield::Planes : 8));
    const unsigned bits = DibGetBitCount(h);
    const std::uint32_t compression = info ? ReadU32(h + dibfield::Compression) : kCompressionNone;
    const std::uint32_t colorsUsed = info ? ReadU32(h + dibfield::ClrUsed) : 0;

    if (planes != 1)
        return DibStatus::BadHeader;
    if (width == 0 || height == 0)
        return DibStatus::BadDimensions;
    // Read as unsigned, a negative size is above every limit: that includes top-down rows.
    if (width < 0 || height < 0)
        return DibStatus::TooLarge;
    if (!BitCountAllowed(info, bits))
        return DibStatus::BadBitCount;
    if (!CompressionFits(compression, bits))
        return DibStatus::BadCompression;
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kMaxPicturePixels)
        return DibStatus::TooLarge;
    if (colorsUsed > 65535 || (bits <= 8 && colorsUsed > (1u << bits)))
        return DibStatus::BadColorTable;

    const std::uint64_t maskSize = DibGetMaskSize(h);
    if (headerSize + maskSize > available)
        return DibStatus::Truncated;
    if (maskSize != 0) {
        for (int i = 0; i < 3; ++i)
            if (!MaskUsable(ReadU32(h + headerSize + 4 * i), bits))
                return DibStatus::BadCompression;
    }

    // The table's byte size is a 16-bit value wherever it is used: a count whose table would not
    // fit (16384 entries and more) would make the table and the pixels overlap.
    const std::uint64_t tableSize = std::uint64_t{DibGetColorCount(h)} * (info ? 4 : 3);
    if (tableSize > 0xFFFF)
        return DibStatus::BadColorTable;
    extent.pixelOffset = headerSize + maskSize + tableSize;
    extent.pixelBytes = compression == kCompressionRle8 || compression == kCompressionRle4
                            ? ReadU32(h + dibfield::SizeImage)
                            : DibRowStride(bits, static_cast<std::uint64_t>(width)) *
                                  static_cast<std::uint64_t>(height);
    return DibStatus::Ok;
}

DibStatus DibValidate(const DibHandle& dib) {
    DibExtent extent;
    const DibStatus status = DibCheckHeader(dib.data(), dib.size(), extent);
    if (status != DibStatus::Ok)
        return status;
    return extent.size() > dib.size() ? DibStatus::Truncated : DibStatus::Ok;
}

const char* DibStatusText(DibStatus status) {
    switch (status) {
    case DibStatus::Ok:
        return "the picture is valid";
    case DibStatus::BadHeader:
        return "unsupported bitmap header";
    case DibStatus::BadDimensions:
        return "the picture has no width or no height";
    case DibStatus::TooLarge:
        return "the picture stores its rows top-down or has more than 268435456 pixels";
    case DibStatus::BadBitCount:
        return "unsupported number of bits per pixel";
    case DibStatus::BadColorTable:
        return "the colour table does not fit the bits per pixel";
    case DibStatus::BadCompression:
        return "unsupported compression or colour masks";
    case DibStatus::Truncated:
        return "the picture data is cut short";
    case DibStatus::OutOfMemory:
        return "not enough memory for the picture";
    }
    return "unknown picture error";
}
