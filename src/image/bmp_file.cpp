#include "image/bmp_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint16_t kBitmapSignature = 0x4D42; // "BM"
constexpr std::uint64_t kMaxFileSize = kMaxBitmapFileBytes;

// Copies n bytes from offset `at` of the source; false when they cannot all be had.
using RangeReader = std::function<bool(std::uint64_t at, std::uint8_t* dst, std::size_t n)>;

BmpReadResult Fail(BmpError error, DibStatus status = DibStatus::Ok) {
    BmpReadResult r;
    r.error = error;
    r.status = status;
    return r;
}

BmpReadResult ReadBitmap(std::uint64_t length, const RangeReader& read) {
    if (length < kFileHeaderSize)
        return Fail(BmpError::NotBitmap);
    std::uint8_t fileHeader[kFileHeaderSize];
    if (!read(0, fileHeader, kFileHeaderSize))
        return Fail(BmpError::FileError);
    if (ReadU16(fileHeader) != kBitmapSignature)
        return Fail(BmpError::NotBitmap);
    if (length > kMaxFileSize)
        return Fail(BmpError::Invalid, DibStatus::TooLarge);

    // The header, and the colour masks that may follow it, decide how large the picture is
    // before anything is allocated for it: the block holds exactly that, so bytes the file
    // carries beyond the picture cost nothing.
    const std::uint64_t body = length - kFileHeaderSize;
    std::uint8_t header[kInfoHeaderSize + 12] = {};
    const std::size_t headerBytes =
        static_cast<std::size_t>(std::min<std::uint64_t>(body, sizeof header));
    if (!read(kFileHeaderSize, header, headerBytes))
        return Fail(BmpError::FileError);
    DibExtent extent;
    if (const DibStatus status = DibCheckHeader(header, headerBytes, extent);
        status != DibStatus::Ok)
        return Fail(BmpError::Invalid, status);

    // The DIB is packed: its pixels follow the colour table. Some writers leave unused bytes
    // before the pixel rows and say so only in the file header's pixel offset; those bytes are
    // skipped so the picture is not shifted. An offset inside the table or past the end is
    // ignored.
    const std::uint64_t head = extent.pixelOffset;
    std::uint64_t gap = 0;
    const std::uint64_t pixelOffset = ReadU32(fileHeader + 10);
    if (pixelOffset > kFileHeaderSize + head && pixelOffset <= length)
        gap = pixelOffset - kFileHeaderSize - head;
    if (extent.size() > body - gap)
        return Fail(BmpError::Invalid, DibStatus::Truncated);

    BmpReadResult result;
    result.dib = DibHandle::Allocate(static_cast<std::size_t>(extent.size()));
    if (!result.dib)
        return Fail(BmpError::Invalid, DibStatus::OutOfMemory);
    std::uint8_t* block = result.dib.data();
    if (!read(kFileHeaderSize, block, static_cast<std::size_t>(head)) ||
        !read(kFileHeaderSize + head + gap, block + head,
              static_cast<std::size_t>(extent.pixelBytes)))
        return Fail(BmpError::FileError);

    result.status = DibValidate(result.dib);
    if (result.status != DibStatus::Ok)
        return Fail(BmpError::Invalid, result.status);
    return result;
}

// What writing a picture takes: its image size and how many bytes of the block form the DIB.
struct WritePlan {
    bool storeImageSize = false;
    std::uint32_t imageSize = 0;
    std::uint64_t dibSize = 0;
    std::uint64_t pixelOffset = 0;
};

// The file header, then the first `dibSize` bytes of the block `dib`, whose pixels start
// `pixelOffset` bytes into the file.
bool WriteBitmap(const std::uint8_t* dib, std::uint64_t dibSize, std::uint64_t pixelOffset,
                 const ByteSink& sink) {
    std::uint8_t fileHeader[kFileHeaderSize] = {};
    WriteU16(fileHeader, kBitmapSignature);
    WriteU32(fileHeader + 2, static_cast<std::uint32_t>(dibSize + kFileHeaderSize));
    WriteU32(fileHeader + 10, static_cast<std::uint32_t>(pixelOffset));
    return sink(fileHeader, kFileHeaderSize) && sink(dib, static_cast<std::size_t>(dibSize));
}

std::optional<WritePlan> PlanWrite(const DibHandle& dib) {
    if (!dib || dib.size() < kInfoHeaderSize || ReadU32(dib.data()) != kInfoHeaderSize)
        return std::nullopt;
    const std::uint8_t* h = dib.data();
    WritePlan plan;
    const std::uint32_t compression = ReadU32(h + dibfield::Compression);
    std::uint64_t imageSize;
    if (compression == kCompressionRle8 || compression == kCompressionRle4) {
        imageSize = ReadU32(h + dibfield::SizeImage);
    } else {
        const std::int32_t width = DibGetWidth(h), height = DibGetHeight(h);
        if (width < 0 || height < 0)
            return std::nullopt;
        imageSize = DibRowStride(DibGetBitCount(h), static_cast<std::uint64_t>(width)) *
                    static_cast<std::uint64_t>(height);
        plan.storeImageSize = true;
    }
    plan.pixelOffset = kFileHeaderSize + kInfoHeaderSize + DibGetMaskSize(h) +
                       std::uint64_t{DibGetColorTableSize(h)};
    plan.dibSize = plan.pixelOffset - kFileHeaderSize + imageSize;
    // Never read past the block, and the sizes must fit the 32-bit fields.
    if (plan.dibSize > dib.size() || plan.dibSize + kFileHeaderSize > kMaxFileSize)
        return std::nullopt;
    plan.imageSize = static_cast<std::uint32_t>(imageSize);
    return plan;
}

} // namespace

BmpReadResult DibReadMemory(const std::uint8_t* data, std::size_t size) {
    if (!data)
        return Fail(BmpError::NotBitmap);
    return ReadBitmap(size, [&](std::uint64_t at, std::uint8_t* dst, std::size_t n) {
        if (at > size || n > size - at)
            return false;
        std::copy_n(data + at, n, dst);
        return true;
    });
}

BmpReadResult DibReadFile(const std::string& path) {
    std::error_code ec;
    const std::uintmax_t length = std::filesystem::file_size(path, ec);
    if (ec)
        return Fail(BmpError::FileError);
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Fail(BmpError::FileError);
    return ReadBitmap(length, [&](std::uint64_t at, std::uint8_t* dst, std::size_t n) {
        if (n == 0)
            return true;
        in.seekg(static_cast<std::streamoff>(at));
        in.read(reinterpret_cast<char*>(dst), static_cast<std::streamsize>(n));
        return in.good() && static_cast<std::size_t>(in.gcount()) == n;
    });
}

bool DibWriteFile(DibHandle& dib, const ByteSink& sink) {
    const std::optional<WritePlan> plan = PlanWrite(dib);
    if (!plan)
        return false;
    if (plan->storeImageSize)
        WriteU32(dib.data() + dibfield::SizeImage, plan->imageSize);
    return WriteBitmap(dib.data(), plan->dibSize, plan->pixelOffset, sink);
}

bool DibWriteUnchanged(const DibHandle& dib, const ByteSink& sink) {
    if (DibValidate(dib) != DibStatus::Ok || kFileHeaderSize + dib.size() > kMaxFileSize)
        return false;
    const std::uint8_t* h = dib.data();
    return WriteBitmap(h, dib.size(), kFileHeaderSize + std::uint64_t(DibGetBits(h) - h), sink);
}

SaveResult DibSaveFile(DibHandle& dib, const std::string& path, std::error_code* why) {
    if (!PlanWrite(dib)) {
        if (why)
            why->clear();
        return SaveResult::NotWritable;
    }
    return SaveReplacing(
        path, [&](const ByteSink& sink) { return DibWriteFile(dib, sink); }, why);
}

std::string SaveResultText(SaveResult result, const std::error_code& why) {
    switch (result) {
    case SaveResult::Ok:
        return {};
    case SaveResult::NotWritable:
        return "only a picture with a 40-byte information header can be written as a BMP file";
    case SaveResult::NotAFile:
        return "it exists and is not a regular file; it was left untouched";
    case SaveResult::FileError:
        break;
    }
    if (why)
        return why.message() + "; an existing file of that name is unchanged";
    return "the file could not be created or written; an existing file of that name is unchanged";
}
