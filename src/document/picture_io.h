// Writing the image document's picture: always as a BMP file, which replaces an existing file
// only when it is complete. The result says why a save failed, in words for the user.
#pragma once

#include "image/dib.h"

#include <QString>

enum class PictureSaveStatus {
    Ok,
    NotWritable, // the picture cannot be written as a BMP file (core header, no picture)
    FileError,   // the file could not be created or written; an existing one is kept intact
};

struct PictureSaveResult {
    PictureSaveStatus status = PictureSaveStatus::Ok;
    QString reason; // why, in words, when not Ok
};

[[nodiscard]] PictureSaveResult SavePictureFile(DibHandle& dib, const QString& path);
