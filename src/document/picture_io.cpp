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
            return {{}, PictureLoadStatus::FileError, probe.errorString()};
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

PictureSaveResult SavePictureFile(DibHandle& dib, const QString& path) {
    std::error_code why;
    const SaveResult saved = DibSaveFile(dib, path.toStdString(), &why);
    const QString reason = QString::fromStdString(SaveResultText(saved, why));
    switch (saved) {
    case SaveResult::Ok:
        return {};
    case SaveResult::NotWritable:
        return {PictureSaveStatus::NotWritable, reason};
    case SaveResult::NotAFile:
    case SaveResult::FileError:
        break;
    }
    return {PictureSaveStatus::FileError, reason};
}
