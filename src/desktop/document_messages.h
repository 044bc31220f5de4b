// What the desktop program tells the user about opening, saving and describing a picture. Every
// failure names the file and the reason, after the program's own first line ("Cannot load DIB",
// "Cannot save DIB").
#pragma once

#include "document/korvo_doc.h"

class QWidget;

// The messages for a picture that did not open; nothing for a picture that did.
void ReportOpenFailure(QWidget* owner, const QString& path, const PictureLoadResult& loaded);
// The message for a clipboard picture that cannot be pasted, told like a file that cannot be
// read; nothing when the clipboard offered no picture.
void ReportPasteFailure(QWidget* owner, DibStatus status);
// The message for a save that failed, or the note on a file written otherwise than asked (a
// GIF87a that a transparent colour made 89a); nothing for a plain success.
void ReportSaveFailure(const QString& path, const PictureSaveResult& saved);
// The message for a palette file that could not be written, `why` the system's error behind a
// FileError.
void ReportPaletteSaveFailure(const QString& path, SaveResult saved, const std::error_code& why);
// The message for a palette file a run cannot map onto, `reason` naming the line or byte.
void ReportPaletteRefused(QWidget* owner, const QString& path, const QString& reason);
// "WxH, N colors."
void ShowPictureProperties(QWidget* owner, const PictureProperties& properties);
