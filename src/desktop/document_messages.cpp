#include "desktop/document_messages.h"

#include "desktop/user_notice.h"

#include <QDir>

void ReportOpenFailure(QWidget* owner, const QString& path, const PictureLoadResult& loaded) {
    const QString file = QDir::toNativeSeparators(path);
    switch (loaded.status) {
    case PictureLoadStatus::Ok:
        return;
    case PictureLoadStatus::FileError:
        ShowNotice(owner, QStringLiteral("Cannot open the file.\n%1: %2").arg(file, loaded.reason),
                   NoticeIcon::Warning);
        return;
    case PictureLoadStatus::TooLarge:
        // Rows stored top-down count as too large to address, as they always have.
        ShowNotice(nullptr, QStringLiteral("DIB is too large"));
        break;
    case PictureLoadStatus::NotPicture:
        break;
    }
    ShowNotice(owner, QStringLiteral("Cannot load DIB\n%1: %2").arg(file, loaded.reason));
}

void ReportPasteFailure(QWidget* owner, DibStatus status) {
    if (status == DibStatus::TooLarge)
        ShowNotice(owner, QStringLiteral("DIB is too large"));
    else if (status != DibStatus::Ok)
        ShowNotice(owner, QStringLiteral("Cannot load DIB\nClipboard: %1")
                              .arg(QString::fromUtf8(DibStatusText(status))));
}

void ReportSaveFailure(const QString& path, const PictureSaveResult& saved) {
    const QString line = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), saved.reason);
    switch (saved.status) {
    case PictureSaveStatus::Ok:
        if (!saved.note.isEmpty())
            ShowNotice(nullptr,
                       QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), saved.note));
        return;
    case PictureSaveStatus::NotWritable:
        ShowNotice(nullptr, QStringLiteral("Cannot save DIB\n") + line);
        return;
    case PictureSaveStatus::FileError:
        break;
    }
    ShowNotice(nullptr, QStringLiteral("Cannot save the file.\n") + line, NoticeIcon::Warning);
}

void ReportPaletteSaveFailure(const QString& path, SaveResult saved, const std::error_code& why) {
    if (saved != SaveResult::Ok)
        ShowNotice(nullptr,
                   QStringLiteral("Cannot save the palette.\n%1: %2")
                       .arg(QDir::toNativeSeparators(path),
                            QString::fromStdString(SaveResultText(saved, why))),
                   NoticeIcon::Warning);
}

void ReportPaletteRefused(QWidget* owner, const QString& path, const QString& reason) {
    ShowNotice(owner,
               QStringLiteral("Cannot use the palette.\n%1: %2")
                   .arg(QDir::toNativeSeparators(path), reason),
               NoticeIcon::Warning);
}

void ShowPictureProperties(QWidget* owner, const PictureProperties& properties) {
    ShowNotice(owner, QString::asprintf("%dx%d, %d colors.", properties.width, properties.height,
                                        properties.colors));
}
