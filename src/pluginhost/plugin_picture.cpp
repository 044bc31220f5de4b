#include "pluginhost/plugin_picture.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

struct Layout {
    std::uint64_t entries = 0;  // 4-byte colour entries or masks after the header
    std::uint64_t rowBytes = 0; // bytes per pixel row
};

// Colour entries and row size by bit count; false for a bit count the system does not read.
bool LayoutFor(std::uint16_t bitCount, std::uint64_t width, Layout& layout) {
    switch (bitCount) {
    case 1:
        layout = {2, ((width + 7) / 8 + 3) / 4 * 4};
        return true;
    case 4:
        layout = {16, ((width + 1) / 2 + 3) / 4 * 4};
        return true;
    case 8:
        layout = {256, (width + 3) / 4 * 4};
        return true;
    case 16:
        layout = {3, (2 * width + 3) / 4 * 4};
        return true;
    case 24:
        layout = {0, (3 * width + 3) / 4 * 4};
        return true;
    case 32:
        layout = {3, 4 * width};
        return true;
    default:
        return false;
    }
}

void WriteDefaultMasks(std::uint8_t* masks, std::uint16_t bitCount) {
    if (bitCount == 16) {
        WriteU32(masks, 0x7C00);
        WriteU32(masks + 4, 0x03E0);
        WriteU32(masks + 8, 0x001F);
    } else {
        WriteU32(masks, 0xFF0000);
        WriteU32(masks + 4, 0x00FF00);
        WriteU32(masks + 8, 0x0000FF);
    }
}

} // namespace

PluginPictureCopy CopyPluginPicture(const void* info, std::size_t infoSize, const void* bits,
                                    std::size_t bitsSize) {
    const auto* src = static_cast<const std::uint8_t*>(info);
    if (!src || !bits || infoSize < kInfoHeaderSize)
        return {{}, DibStatus::Truncated};
    const std::uint32_t headerSize = ReadU32(src + dibfield::Size);
    if (headerSize < kInfoHeaderSize)
        return {{}, DibStatus::BadHeader};
    if (headerSize > infoSize)
        return {{}, DibStatus::Truncated};
    const std::int32_t width = ReadI32(src + dibfield::Width);
    const std::int32_t height = ReadI32(src + dibfield::Height);
    const std::uint16_t bitCount = ReadU16(src + dibfield::BitCount);
    std::uint32_t compression = ReadU32(src + dibfield::Compression);
    const std::uint32_t sizeImage = ReadU32(src + dibfield::SizeImage);
    const std::uint32_t colorsUsed = ReadU32(src + dibfield::ClrUsed);

    Layout layout;
    if (width < 0)
        return {{}, DibStatus::BadDimensions};
    if (!LayoutFor(bitCount, std::uint64_t(width), layout))
        return {{}, DibStatus::BadBitCount};
    // Top-down rows (negative height) are turned over into a bottom-up picture of the absolute
    // height; only plain rows can be turned over.
    const bool topDown = height < 0;
    const std::uint64_t rows =
        topDown ? std::uint64_t(-std::int64_t(height)) : std::uint64_t(height);
    const bool plainRows = compression == kCompressionNone || compression == kCompressionBitfields;
    if (topDown && !plainRows)
        return {{}, DibStatus::BadCompression};

    // All sizes in 64 bits, each bounded before it enters a product or a sum, so nothing can
    // wrap; the limits come before allocating.
    if (rows > kMaxPicturePixels || std::uint64_t(width) * rows > kMaxPicturePixels)
        return {{}, DibStatus::TooLarge};
    const std::uint64_t rowsBytes = rows * layout.rowBytes;
    // What the plug-in declares its pixel block to hold: every row, or the run-length codes of
    // the image size (which a run-length picture must state).
    const std::uint64_t declaredPixels = plainRows ? rowsBytes : sizeImage;
    if (!plainRows && sizeImage == 0)
        return {{}, DibStatus::Truncated};
    if (declaredPixels > bitsSize)
        return {{}, DibStatus::Truncated};
    // The picture's pixel bytes are its image size when stated, and never fewer than its rows.
    const std::uint64_t pixelBytes = (sizeImage != 0 && !topDown)
                                         ? std::max<std::uint64_t>(sizeImage, declaredPixels)
                                         : declaredPixels;
    const std::uint64_t headerBytes = std::uint64_t(headerSize) + 4 * layout.entries;
    const std::uint64_t total = pixelBytes + headerBytes + 1024;
    if (total > kMaxPluginPictureBytes)
        return {{}, DibStatus::TooLarge};

    // The colour entries the header declares: colours-used of the table (all of it when 0),
    // the three masks only with bit-field compression.
    std::uint64_t declaredEntries = layout.entries;
    if (bitCount <= 8 && colorsUsed != 0)
        declaredEntries = std::min<std::uint64_t>(colorsUsed, layout.entries);
    if (bitCount == 16 || bitCount == 32)
        declaredEntries = compression == kCompressionBitfields ? 3 : 0;
    const std::uint64_t declaredInfo = std::uint64_t(headerSize) + 4 * declaredEntries;

    DibHandle dib = DibHandle::Allocate(std::size_t(total));
    if (!dib)
        return {{}, DibStatus::OutOfMemory};
    std::uint8_t* out = dib.data();
    std::memcpy(out, src, std::size_t(std::min<std::uint64_t>(declaredInfo, infoSize)));
    WriteU32(out + dibfield::ClrUsed, 0);
    WriteU32(out + dibfield::ClrImportant, 0);
    if (topDown)
        WriteU32(out + dibfield::Height, std::uint32_t(rows));
    // 16- and 32-bit pixels carry their masks; plain ones get the masks that plain means.
    if ((bitCount == 16 || bitCount == 32) && compression == kCompressionNone) {
        compression = kCompressionBitfields;
        WriteU32(out + dibfield::Compression, compression);
        WriteDefaultMasks(out + headerSize, bitCount);
    }

    const auto* pixels = static_cast<const std::uint8_t*>(bits);
    std::uint8_t* dst = out + headerBytes;
    if (!topDown) {
        std::memcpy(dst, pixels, std::size_t(declaredPixels));
    } else {
        const std::size_t stride = std::size_t(layout.rowBytes);
        for (std::uint64_t r = 0; r < rows; ++r)
            std::memcpy(dst + (rows - 1 - r) * stride, pixels + r * stride, stride);
    }
    const DibStatus status = DibValidate(dib);
    if (status != DibStatus::Ok)
        return {{}, status};
    return {std::move(dib), DibStatus::Ok};
}
