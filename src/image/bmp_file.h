// Bitmap files: a 14-byte file header followed by a packed DIB. Reading works on bytes or a file
// and runs the entry check; writing goes to a byte sink, so the format is tested in memory, and
// saving replaces a file only once the new one is completely written.
#pragma once

#include "image/dib.h"
#include "image/dib_check.h"
#include "image/file_replace.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <system_error>

enum class BmpError {
    None,
    FileError, // the file could not be opened or read
    NotBitmap, // shorter than a file header, or no "BM" signature
    Invalid,   // a bitmap whose picture fails the entry check (see status)
};

struct BmpReadResult {
    DibHandle dib; // null unless error is None
    BmpError error = BmpError::None;
    DibStatus status = DibStatus::Ok;
};

// The picture of a bitmap file held in memory. The block holds exactly what the header
// describes: header, masks, colour table and pixels, the pixels right after the table (a gap
// the file leaves before its pixel rows, pixel offset beyond the table, is closed). Bytes the
// file carries after the picture are not read.
[[nodiscard]] BmpReadResult DibReadMemory(const std::uint8_t* data, std::size_t size);
// The largest bitmap file: its size fields are 32 bits wide.
inline constexpr std::uint64_t kMaxBitmapFileBytes = 0xFFFFFFFFu;

// The same for a file; files of 4 GiB and more are refused as too large.
[[nodiscard]] BmpReadResult DibReadFile(const std::string& path);

// Writes the file header and the DIB. Only information-header pictures are written; for an
// uncompressed picture the image-size field of the DIB is set to the row bytes first. False
// when the picture cannot be written this way or the sink refused bytes.
[[nodiscard]] bool DibWriteFile(DibHandle& dib, const ByteSink& sink);
// The same file format for a picture passed on unchanged, as the clipboard does: any picture the
// entry check takes, core headers included, with the whole block as it stands (the image-size
// field too), so that reading the bytes back gives this very block. False for a picture the
// entry check refuses, one too large for the header's size fields, or a sink that refused bytes.
[[nodiscard]] bool DibWriteUnchanged(const DibHandle& dib, const ByteSink& sink);

// Writes the picture through SaveReplacing. NotWritable: no picture, a core header, or a header
// describing more than the block holds.
[[nodiscard]] SaveResult DibSaveFile(DibHandle& dib, const std::string& path,
                                     std::error_code* why = nullptr);
// Why a save ended with `result`, in words for messages ("" for Ok); `why` is the system's error
// behind a FileError, when known.
std::string SaveResultText(SaveResult result, const std::error_code& why = {});
