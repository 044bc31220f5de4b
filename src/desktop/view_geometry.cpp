#include "desktop/view_geometry.h"

#include <algorithm>

int FitZoom(std::int64_t width, std::int64_t height, std::int64_t availW, std::int64_t availH) {
    for (int zoom = kZoomMax; zoom > kZoomMin; --zoom)
        if (ZoomScale(width, zoom) <= availW && ZoomScale(height, zoom) <= availH)
            return zoom;
    return kZoomMin;
}

DrawPlan PlanDraw(ViewPoint scroll, std::int64_t cw, std::int64_t ch, std::int64_t width,
                  std::int64_t height, int zoom) {
    ViewRect v{scroll.x, scroll.y, scroll.x + cw, scroll.y + ch};
    const std::int64_t w = ZoomScale(width, zoom);
    const std::int64_t h = ZoomScale(height, zoom);
    const std::int64_t offX = cw > w ? (v.right - w + v.left) / 2 : 0;
    const std::int64_t offY = ch > h ? (v.bottom - h + v.top) / 2 : 0;

    ViewRect s{ZoomUnscale(v.left, zoom), ZoomUnscale(v.top, zoom), ZoomUnscale(v.right, zoom),
               ZoomUnscale(v.bottom, zoom)};
    if (s.right > width) {
        s.right = width;
        v.right = w;
    }
    if (s.bottom > height) {
        s.bottom = height;
        v.bottom = h;
    }

    ViewRect d = v;
    d.top = std::min(v.top, ZoomScale(s.top, zoom));
    d.left = std::min(v.left, ZoomScale(s.left, zoom));
    // A picture pixel cut by the bottom or right edge is drawn whole, but never one beyond the
    // picture: at a magnifying zoom the client edge can fall inside the last pixel's cell.
    if (v.bottom > ZoomScale(s.bottom, zoom)) {
        if (s.bottom < height)
            ++s.bottom;
        d.bottom = ZoomScale(s.bottom, zoom);
    }
    if (v.right > ZoomScale(s.right, zoom)) {
        if (s.right < width)
            ++s.right;
        d.right = ZoomScale(s.right, zoom);
    }

    // Scrolled window coordinates to client coordinates, then centred.
    d.left += offX - scroll.x;
    d.right += offX - scroll.x;
    d.top += offY - scroll.y;
    d.bottom += offY - scroll.y;
    if (d.IsEmpty() || s.IsEmpty())
        return {};
    return {d, s};
}

std::vector<ViewRect> MarginRects(std::int64_t cw, std::int64_t ch, std::int64_t tw,
                                  std::int64_t th) {
    std::vector<ViewRect> rects;
    std::int64_t l = 0, r = cw;
    if (cw > tw) {
        l = (cw - tw) / 2;
        r = l + tw;
        rects.push_back({0, 0, l, ch});
        rects.push_back({r, 0, cw, ch});
    }
    if (ch > th) {
        const std::int64_t t = (ch - th) / 2;
        rects.push_back({l, 0, r, t});
        rects.push_back({l, t + th, r, ch});
    }
    std::erase_if(rects, [](const ViewRect& rc) { return rc.IsEmpty(); });
    return rects;
}

ViewPoint DragScrollPosition(ViewPoint last, ViewPoint scroll, ViewPoint mouse, std::int64_t tw,
                             std::int64_t th, std::int64_t cw, std::int64_t ch) {
    const std::int64_t x = last.x + scroll.x - mouse.x;
    const std::int64_t y = last.y + scroll.y - mouse.y;
    return {std::clamp<std::int64_t>(x, 0, std::max<std::int64_t>(0, tw - cw)),
            std::clamp<std::int64_t>(y, 0, std::max<std::int64_t>(0, th - ch))};
}
