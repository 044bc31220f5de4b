#include "document/picture_io.h"

#include "image/bmp_file.h"
#include "pluginhost/picture_loader.h"

#include <QFile>

namespace {

PictureLoadStatus FailureStatus(PluginFailure plugins, const BmpReadResult& bmp) {
    // A plug-in that recognised the file knows best why it failed.
    if (plugins == PluginFailure::TooLarge)
        return PictureLoadStatus::TooLarge;
    if (plugins != PluginFailure::NotAccepted)
        return PictureLoadStatus::NotPicture;
    if (bmp.error == BmpError::FileError)
        return PictureLoadStatus::FileError;
    if (bmp.error == BmpError::Invalid && bmp.status == DibStatus::TooLarge)
        return PictureLoadStatus::TooLarge;
    return PictureLoadStatus::NotPicture;
}

} // namespace

PictureLoadResult LoadPictureFile(const QString& path) {
    {
        QFile probe(path);
        if (!probe.open(QIODevice::ReadOnly))
            return {
                {}, PictureLoadStatus::FileError, QStringLiteral("cannot open or read the file")};
    }
    // The plug-ins are asked first, bitmap files included; the BMP reader serves the rest.
    PluginPicture byPlugin = LoadPictureByPlugin(path);
    if (byPlugin.dib)
        return {std::move(byPlugin.dib), PictureLoadStatus::Ok, {}};
    BmpReadResult bmp = DibReadFile(path.toStdString());
    if (bmp.error == BmpError::None)
        return {std::move(bmp.dib), PictureLoadStatus::Ok, {}};
    return {{},
            FailureStatus(byPlugin.failure, bmp),
            QString::fromStdString(PictureFailureText(byPlugin.failure, bmp))};
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
