// Writing a picture in the format chosen for it: BMP as always, or an indexed PNG or GIF file.
// This is what both front ends call to save a result, to a sink or to a file that is replaced
// only by a complete new one.
#pragma once

#include "image/dib.h"
#include "image/file_replace.h"

#include <optional>
#include <string>
#include <string_view>
#include <system_error>

enum class PictureFormat { Bmp, Png, Gif };

// "bmp", "png" or "gif", in any case.
[[nodiscard]] std::optional<PictureFormat> PictureFormatNamed(std::string_view name);
// The format of a file name by its extension, in any case: ".png" and ".gif" give those
// formats, any other extension or none gives BMP.
[[nodiscard]] PictureFormat PictureFormatOfPath(const std::string& path);
// "bmp", "png" or "gif".
[[nodiscard]] const char* PictureExtension(PictureFormat format);

struct PictureOptions {
    PictureFormat format = PictureFormat::Bmp;
    bool pngInterlace = false;
    bool gif89a = false;
    bool gifInterlace = false;
    int transparentIndex = -1; // the palette entry shown transparent (PNG, GIF), or -1
};

struct PictureSaved {
    SaveResult result = SaveResult::Ok;
    std::error_code why; // the system's error behind a FileError, when known
    std::string refusal; // why the picture is NotWritable in this format
    std::string note;    // what the user should know of a written file ("" when nothing)
};

// Writes the picture to `sink`; a refused byte gives FileError. The BMP writer sets the
// picture's image-size field, hence the mutable picture.
[[nodiscard]] PictureSaved WritePicture(DibHandle& dib, const PictureOptions& options,
                                        const ByteSink& sink);
// Writes the picture to the file `path` through SaveReplacing.
[[nodiscard]] PictureSaved SavePicture(DibHandle& dib, const std::string& path,
                                       const PictureOptions& options);
// Why saving failed, in words for messages ("" for Ok).
[[nodiscard]] std::string PictureSavedText(const PictureSaved& saved);
