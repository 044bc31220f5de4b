// Drawing a picture's display image (document/display_image.h): each paint copies only the
// visible part, nearest-neighbour, never smoothed.
#pragma once

#include "desktop/view_geometry.h"

#include <QImage>

class QPainter;

// Draws picture rectangle `src` of `image` into `dst` (painter coordinates): an unscaled copy
// when both have the same size, otherwise a nearest-neighbour stretch. Gives the number of
// picture rows drawn, 0 when nothing was drawn.
int DibPaint(QPainter& painter, const ViewRect& dst, const QImage& image, const ViewRect& src);
