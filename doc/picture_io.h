// Reading and writing the image document's picture: the plug-ins are asked first, then the
// BMP reader; pictures are always written as BMP files. The results say why something failed,
// so that the document shows the right message.
#pragma once

#include "image/dib.h"

#include <QString>

enum class PictureLoadStatus {
    Ok,
    FileError,  // the file could not be opened or read
    NotPicture, // nothing could make a picture of it
    TooLarge,   // a picture with rows stored top-down, or one too large to address
};

struct PictureLoadResult {
    DibHandle dib;
    PictureLoadStatus status = PictureLoadStatus::NotPicture;
    QString reason; // why there is no picture, in words; empty when status is Ok
};

[[nodiscard]] PictureLoadResult LoadPictureFile(const QString& path);

enum class PictureSaveStatus {
    Ok,
    NotWritable, // the picture cannot be written as a BMP file (core header, no picture)
    FileError,   // the file could not be created or written; an existing one is kept intact
};

[[nodiscard]] PictureSaveStatus SavePictureFile(DibHandle& dib, const QString& path);
// Why a save of `dib` ended with `status`, in words; empty for Ok.
QString PictureSaveReason(PictureSaveStatus status, const DibHandle& dib);
