#include "doc/picture_io.h"

#include "image/bmp_file.h"
#include "plugin/picture_loader.h"

#include <QFile>

PictureLoadResult LoadPictureFile(const QString& path) {
    {
        QFile probe(path);
        if (!probe.open(QIODevice::ReadOnly))
            return {{}, PictureLoadStatus::FileError};
    }
    // The plug-ins are asked first, bitmap files included; the BMP reader serves the rest.
    if (DibHandle dib = LoadPictureByPlugin(path))
        return {std::move(dib), PictureLoadStatus::Ok};
    BmpReadResult bmp = DibReadFile(path.toStdString());
    switch (bmp.error) {
    case BmpError::None:
        return {std::move(bmp.dib), PictureLoadStatus::Ok};
    case BmpError::FileError:
        return {{}, PictureLoadStatus::FileError};
    case BmpError::NotBitmap:
        break;
    case BmpError::Invalid:
        if (bmp.status == DibStatus::TooLarge)
            return {{}, PictureLoadStatus::TooLarge};
        break;
    }
    return {{}, PictureLoadStatus::NotPicture};
}

PictureSaveStatus SavePictureFile(DibHandle& dib, const QString& path) {
    switch (DibSaveFile(dib, path.toStdString())) {
    case SaveResult::Ok:
        return PictureSaveStatus::Ok;
    case SaveResult::NotWritable:
        return PictureSaveStatus::NotWritable;
    case SaveResult::NotAFile: // left alone, like a file that cannot be written
    case SaveResult::FileError:
        break;
    }
    return PictureSaveStatus::FileError;
}
