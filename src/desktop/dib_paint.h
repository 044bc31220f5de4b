// Drawing a packed DIB: the picture is turned once into a display image (32-bit, top-down), and
// each paint copies only the visible part from it, nearest-neighbour, never smoothed.
#pragma once

#include "desktop/view_geometry.h"
#include "image/dib.h"

#include <QImage>

class QPainter;

// The picture as a QImage::Format_RGB32 image of its width and height: 1-, 4- and 8-bit
// pictures (uncompressed or run-length coded) through their colour table, 16-bit as 5-5-5,
// 24- and 32-bit as stored. A null image for a null handle, an unsupported layout, or when the
// memory cannot be had. Pixel indices beyond the colour table show black.
QImage DibMakeDisplayImage(const DibHandle& dib);

// Draws picture rectangle `src` of `image` into `dst` (painter coordinates): an unscaled copy
// when both have the same size, otherwise a nearest-neighbour stretch. Gives the number of
// picture rows drawn, 0 when nothing was drawn.
int DibPaint(QPainter& painter, const ViewRect& dst, const QImage& image, const ViewRect& src);
