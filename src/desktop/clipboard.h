// Pictures on the clipboard. Copy offers the packed DIB exactly, as the bytes of a bitmap file
// written by the picture layer, as "image/bmp", together with an image that any other program
// can take. Paste prefers those exact bytes and otherwise converts the clipboard's image: palette
// images to 8 bits with their colour table, all others to 24 bits. Whatever is pasted passes the
// DIB entry check.
#pragma once

#include "image/dib.h"
#include "image/dib_check.h"

#include <QByteArray>
#include <QImage>

class QMimeData;

// The bitmap file bytes of a picture: file header, then the whole block unchanged. Empty for a
// null handle or a picture the entry check refuses.
[[nodiscard]] QByteArray DibToBmpBytes(const DibHandle& dib);
// A packed DIB holding `image`, or a null handle (null image, no colour table, too large, no
// memory).
[[nodiscard]] DibHandle DibFromImage(const QImage& image);

struct PastedDib {
    DibHandle dib;                    // null when nothing usable was offered
    DibStatus status = DibStatus::Ok; // why a picture that was offered was refused
};
// The picture `mime` offers, checked.
[[nodiscard]] PastedDib DibFromMimeData(const QMimeData* mime);
[[nodiscard]] bool MimeHasPicture(const QMimeData* mime);

// The same on the application's clipboard.
void CopyDibToClipboard(const DibHandle& dib, const QImage& display);
[[nodiscard]] PastedDib PasteDibFromClipboard();
[[nodiscard]] bool ClipboardHasPicture();
