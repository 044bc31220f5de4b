// Writing the image document's picture: as a BMP file, or as an indexed PNG or GIF file when the
// user chose one, replacing an existing file only when the new one is complete. The result says
// why a save failed, in words for the user, and what the user should know of a written file.
#pragma once

#include "export/picture_save.h"
#include "image/dib.h"

#include <QString>

enum class PictureSaveStatus {
    Ok,
    NotWritable, // the picture cannot be written in that format (core header, too many colours)
    FileError,   // the file could not be created or written; an existing one is kept intact
};

struct PictureSaveResult {
    PictureSaveStatus status = PictureSaveStatus::Ok;
    QString reason; // why, in words, when not Ok
    QString note;   // what the user should know of the written file (GIF87a made 89a), or empty
};

[[nodiscard]] PictureSaveResult SavePictureFile(DibHandle& dib, const QString& path,
                                                const PictureOptions& options);
