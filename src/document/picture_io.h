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
    TooLarge,   // beyond the size limit, a picture too large to address, or one with rows
                // stored top-down
};

struct PictureLoadResult {
    DibHandle dib;
    PictureLoadStatus status = PictureLoadStatus::NotPicture;
    QString reason; // why, in words, when not Ok
};

[[nodiscard]] PictureLoadResult LoadPictureFile(const QString& path);

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
