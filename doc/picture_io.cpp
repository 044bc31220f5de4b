#include "doc/picture_io.h"

#include "image/bmp_file.h"
#include "plugin/picture_loader.h"

#include <QFile>

namespace {

PictureLoadResult Failed(PictureLoadStatus status, const QString& reason) {
    return {{}, status, reason};
}

} // namespace

PictureLoadResult LoadPictureFile(const QString& path) {
    {
        QFile probe(path);
        if (!probe.open(QIODevice::ReadOnly))
            return Failed(PictureLoadStatus::FileError, probe.errorString());
    }
    // The plug-ins are asked first, bitmap files included; the BMP reader serves the rest.
    if (DibHandle dib = LoadPictureByPlugin(path))
        return {std::move(dib), PictureLoadStatus::Ok, {}};
    BmpReadResult bmp = DibReadFile(path.toStdString());
    switch (bmp.error) {
    case BmpError::None:
        return {std::move(bmp.dib), PictureLoadStatus::Ok, {}};
    case BmpError::FileError:
        return Failed(PictureLoadStatus::FileError, QStringLiteral("the file could not be read"));
    case BmpError::NotBitmap:
        break;
    case BmpError::Invalid:
        if (bmp.status == DibStatus::TooLarge)
            return Failed(PictureLoadStatus::TooLarge,
                          QStringLiteral("the picture stores its rows top-down or has more than "
                                         "%1 pixels")
                              .arg(kMaxPicturePixels));
        return Failed(PictureLoadStatus::NotPicture,
                      QStringLiteral("unusable bitmap: ") + DibStatusText(bmp.status));
    }
    return Failed(PictureLoadStatus::NotPicture,
                  QStringLiteral("not a picture any plug-in or the BMP reader can read"));
}

PictureSaveStatus SavePictureFile(DibHandle& dib, const QString& path) {
    switch (DibSaveFile(dib, path.toStdString())) {
    case SaveResult::Ok:
        return PictureSaveStatus::Ok;
    case SaveResult::NotWritable:
        return PictureSaveStatus::NotWritable;
    case SaveResult::FileError:
        break;
    }
    return PictureSaveStatus::FileError;
}

QString PictureSaveReason(PictureSaveStatus status, const DibHandle& dib) {
    switch (status) {
    case PictureSaveStatus::Ok:
        return {};
    case PictureSaveStatus::NotWritable:
        if (!dib)
            return QStringLiteral("there is no picture to save");
        return QStringLiteral("only pictures with a 40-byte information header can be written");
    case PictureSaveStatus::FileError:
        break;
    }
    return QStringLiteral(
        "the file could not be created or written; an existing file of that name is unchanged");
}
