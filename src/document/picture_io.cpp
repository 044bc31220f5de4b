#include "document/picture_io.h"

#include "image/bmp_file.h"

#include <QFile>

PictureSaveResult SavePictureFile(DibHandle& dib, const QString& path) {
    std::error_code why;
    const SaveResult saved = DibSaveFile(dib, QFile::encodeName(path).toStdString(), &why);
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
