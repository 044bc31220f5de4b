#include "document/picture_io.h"

#include <QFile>

PictureSaveResult SavePictureFile(DibHandle& dib, const QString& path,
                                  const PictureOptions& options) {
    const PictureSaved saved = SavePicture(dib, QFile::encodeName(path).toStdString(), options);
    const QString reason = QString::fromStdString(PictureSavedText(saved));
    switch (saved.result) {
    case SaveResult::Ok:
        return {PictureSaveStatus::Ok, QString(), QString::fromStdString(saved.note)};
    case SaveResult::NotWritable:
        return {PictureSaveStatus::NotWritable, reason, QString()};
    case SaveResult::NotAFile:
    case SaveResult::FileError:
        break;
    }
    return {PictureSaveStatus::FileError, reason, QString()};
}
