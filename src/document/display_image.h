// The picture of a document as it is shown: made once from the packed DIB, 32 bits a pixel,
// top row first, so that every paint only copies the part that is visible.
#pragma once

#include "image/dib.h"

#include <QImage>

// The picture as a QImage::Format_RGB32 image of its width and height: 1-, 4- and 8-bit
// pictures (uncompressed or run-length coded) through their colour table, 16-bit as 5-5-5,
// 24- and 32-bit as stored. A null image for a null handle, an unsupported layout, or when the
// memory cannot be had. Pixel indices beyond the colour table show black.
QImage DibMakeDisplayImage(const DibHandle& dib);
