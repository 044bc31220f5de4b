// Loading a picture through the loaded plug-ins: the first plug-in that recognises the file and
// decodes it delivers the picture as a packed DIB, which has passed the DIB entry check.
#pragma once

#include "image/dib.h"

#include <QString>

// A null handle when the file cannot be opened or no loaded plug-in delivers a usable picture;
// the caller then tries its own BMP reader.
[[nodiscard]] DibHandle LoadPictureByPlugin(const QString& path);
