// Geometry of the image view, in device pixels: the 21 zoom levels, the part of the picture that
// a scrolled client area shows, the hatched margins around a centred picture and the clamped
// drag-scroll position. Pure functions, so the view's arithmetic is tested without a window.
#pragma once

#include <cstdint>
#include <vector>

inline constexpr int kZoomMin = -4; // 1/32
inline constexpr int kZoomMax = 16; // 16x

// Picture pixels to window pixels: z >= 1 multiplies, z <= 0 halves 1 - z times.
inline std::int64_t ZoomScale(std::int64_t v, int zoom) {
    return zoom >= 1 ? v * zoom : v >> (1 - zoom);
}
// Window pixels to picture pixels, the inverse with truncation.
inline std::int64_t ZoomUnscale(std::int64_t v, int zoom) {
    return zoom >= 1 ? v / zoom : v * (std::int64_t{1} << (1 - zoom));
}

// The zoom as a percentage of actual size: 1600 at 16x, 3.125 at 1/32.
inline double ZoomPercent(int zoom) {
    return zoom >= 1 ? 100.0 * zoom : 100.0 / double(std::int64_t{1} << (1 - zoom));
}

// The largest of the 21 levels at which a width x height picture fits into availW x availH;
// the smallest level when none does.
int FitZoom(std::int64_t width, std::int64_t height, std::int64_t availW, std::int64_t availH);

// Right and bottom are exclusive.
struct ViewRect {
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;
    bool IsEmpty() const { return right <= left || bottom <= top; }
    std::int64_t Width() const { return right - left; }
    std::int64_t Height() const { return bottom - top; }
    bool operator==(const ViewRect&) const = default;
};

struct ViewPoint {
    std::int64_t x = 0, y = 0;
    bool operator==(const ViewPoint&) const = default;
};

// What one paint draws: picture rectangle `src` (top-down picture pixels) into `dst` (client
// coordinates). `dst` is empty when nothing of the picture is visible.
struct DrawPlan {
    ViewRect dst;
    ViewRect src;
};

// The visible part of a width x height picture at `zoom`, seen through a cw x ch client area
// scrolled to `scroll`. Picture pixels cut by an edge are drawn whole; a picture smaller than
// the client area is centred.
DrawPlan PlanDraw(ViewPoint scroll, std::int64_t cw, std::int64_t ch, std::int64_t width,
                  std::int64_t height, int zoom);

// The margin rectangles (client coordinates) around a centred picture of scaled size tw x th:
// full-height strips left and right, and strips above and below across the picture's width.
std::vector<ViewRect> MarginRects(std::int64_t cw, std::int64_t ch, std::int64_t tw,
                                  std::int64_t th);

// The scroll position after the mouse moved from `last` to `mouse` while dragging: the picture
// follows the mouse, and stays within the range in which it still fills the client area.
ViewPoint DragScrollPosition(ViewPoint last, ViewPoint scroll, ViewPoint mouse, std::int64_t tw,
                             std::int64_t th, std::int64_t cw, std::int64_t ch);
