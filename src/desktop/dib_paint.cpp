#include "desktop/dib_paint.h"

#include <QPainter>

int DibPaint(QPainter& painter, const ViewRect& dst, const QImage& image, const ViewRect& src) {
    if (image.isNull() || dst.IsEmpty() || src.IsEmpty())
        return 0;
    const QRect s(int(src.left), int(src.top), int(src.Width()), int(src.Height()));
    if (dst.Width() == src.Width() && dst.Height() == src.Height()) {
        painter.drawImage(QPoint(int(dst.left), int(dst.top)), image, s);
    } else {
        const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(
            QRectF(qreal(dst.left), qreal(dst.top), qreal(dst.Width()), qreal(dst.Height())), image,
            QRectF(s));
        painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    }
    return s.height();
}
