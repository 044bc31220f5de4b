#include "desktop/korvo_view.h"

#include "desktop/clipboard.h"
#include "desktop/dib_paint.h"
#include "desktop/wait_cursor.h"
#include "document/korvo_doc.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {
int ClampInt(std::int64_t v) {
    return int(std::clamp<std::int64_t>(v, 0, std::numeric_limits<int>::max()));
}

// A new window is at least this wide (logical pixels): a tiny picture sits in the margin.
constexpr int kMinWindowWidth = 240;

// The width at which `frame`'s title bar shows its whole title: what the style leaves of the
// bar for the title's text (linear in the width), plus the text.
int TitleFitWidth(const QMdiSubWindow* frame) {
    QStyleOptionTitleBar option;
    option.initFrom(frame);
    option.subControls = QStyle::SC_All;
    option.titleBarFlags = frame->windowFlags();
    option.titleBarState = frame->windowState();
    option.text = frame->windowTitle();
    const int probe = 1000;
    option.rect = QRect(0, 0, probe, 24);
    const QRect label = frame->style()->subControlRect(QStyle::CC_TitleBar, &option,
                                                       QStyle::SC_TitleBarLabel, frame);
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    // The frame's border (4 pixels each side in the sub-window's own layout) and a pixel to
    // spare, so the text is never elided by rounding.
    return probe - label.width() + metrics.horizontalAdvance(option.text) + 2 * 4 + 1;
}
} // namespace

CKorvoView::CKorvoView(CKorvoDoc* doc, QWidget* parent) : QAbstractScrollArea(parent), m_pDoc(doc) {
    setObjectName(QStringLiteral("korvoView"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    connect(doc, &CKorvoDoc::PictureChanged, this, [this] {
        SetScrollSizes(ZoomScale(m_pDoc->m_sizeDoc.width(), m_pDoc->m_nZoom),
                       ZoomScale(m_pDoc->m_sizeDoc.height(), m_pDoc->m_nZoom));
        viewport()->update();
    });
    // Closing the source ends a comparison; the view shows the result again.
    if (CKorvoDoc* source = doc->m_pSource)
        connect(source, &QObject::destroyed, this, [this] { SetCompareMode(CompareMode::Off); });
}

qreal CKorvoView::Dpr() const {
    return devicePixelRatioF();
}

ViewPoint CKorvoView::ToDevice(const QPointF& pos) const {
    return {std::llround(pos.x() * Dpr()), std::llround(pos.y() * Dpr())};
}

QMdiSubWindow* CKorvoView::ParentFrame() const {
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

ViewPoint CKorvoView::GetClientSize() const {
    return {std::llround(viewport()->width() * Dpr()), std::llround(viewport()->height() * Dpr())};
}

ViewPoint CKorvoView::GetScrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CKorvoView::ScrollToPosition(ViewPoint pos) {
    horizontalScrollBar()->setValue(ClampInt(pos.x));
    verticalScrollBar()->setValue(ClampInt(pos.y));
}

void CKorvoView::SetScrollSizes(std::int64_t tw, std::int64_t th) {
    m_totalW = tw;
    m_totalH = th;
    UpdateScrollBars();
}

void CKorvoView::UpdateScrollBars() {
    // The client area the bars will leave, decided from the whole area: a picture that fits it
    // needs no bar, even when bars shown so far make the present client area too small.
    const QSize whole = maximumViewportSize();
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const qreal dpr = Dpr();
    const std::int64_t wholeW = std::llround(whole.width() * dpr);
    const std::int64_t wholeH = std::llround(whole.height() * dpr);
    const std::int64_t bar = std::llround(extent * dpr);
    bool needH = m_totalW > wholeW;
    bool needV = m_totalH > wholeH;
    needV = needV || (needH && m_totalH > wholeH - bar);
    needH = needH || (needV && m_totalW > wholeW - bar);
    const ViewPoint client = {wholeW - (needV ? bar : 0), wholeH - (needH ? bar : 0)};
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setRange(0, ClampInt(m_totalW - client.x));
    h->setPageStep(std::max(1, ClampInt(client.x)));
    h->setSingleStep(std::max(1, ClampInt(client.x / 10)));
    v->setRange(0, ClampInt(m_totalH - client.y));
    v->setPageStep(std::max(1, ClampInt(client.y)));
    v->setSingleStep(std::max(1, ClampInt(client.y / 10)));
}

void CKorvoView::OnInitialUpdate() {
    SetScrollSizes(m_pDoc->m_sizeDoc.width(), m_pDoc->m_sizeDoc.height());
    ResizeParentToFit();
}

bool CKorvoView::CanZoomIn() const {
    return m_pDoc->m_nZoom < kZoomMax;
}
bool CKorvoView::CanZoomOut() const {
    return m_pDoc->m_nZoom >= kZoomMin + 1;
}

void CKorvoView::OnCopy() {
    if (!m_pDoc->HasDib())
        return;
    CWaitCursor wait;
    CopyDibToClipboard(m_pDoc->m_hDib, m_pDoc->DisplayImage());
}

void CKorvoView::OnZoomIn() {
    if (CanZoomIn())
        ZoomChangedTo(m_pDoc->m_nZoom + 1);
}

void CKorvoView::OnZoomOut() {
    if (CanZoomOut())
        ZoomChangedTo(m_pDoc->m_nZoom - 1);
}

void CKorvoView::OnActualView() {
    ZoomChangedTo(1);
}

void CKorvoView::SetZoom(int zoom) {
    zoom = std::clamp(zoom, kZoomMin, kZoomMax);
    if (zoom != m_pDoc->m_nZoom)
        ZoomChangedTo(zoom);
}

void CKorvoView::OnFitToWindow() {
    const qreal dpr = Dpr();
    QSize avail = maximumViewportSize();
    QMdiSubWindow* frame = ParentFrame();
    if (frame && !frame->isMaximized() && frame->mdiArea())
        avail = frame->mdiArea()->viewport()->size() - (frame->size() - size());
    SetZoom(FitZoom(m_pDoc->m_sizeDoc.width(), m_pDoc->m_sizeDoc.height(),
                    std::llround(avail.width() * dpr), std::llround(avail.height() * dpr)));
}

bool CKorvoView::CanCompare() const {
    const CKorvoDoc* source = m_pDoc->m_pSource;
    return source && !source->DisplayImage().isNull() && source->m_sizeDoc == m_pDoc->m_sizeDoc;
}

void CKorvoView::SetCompareMode(CompareMode mode) {
    if (!CanCompare())
        mode = CompareMode::Off;
    if (mode == m_compare)
        return;
    m_compare = mode;
    // The divider shows its own cursor while the mouse is over it.
    viewport()->setMouseTracking(mode == CompareMode::Split);
    if (!m_bDragging)
        viewport()->unsetCursor();
    viewport()->update();
    emit CompareChanged();
}

void CKorvoView::SetSplitFraction(double fraction) {
    m_splitFraction = std::clamp(fraction, 0.0, 1.0);
    if (m_compare == CompareMode::Split)
        viewport()->update();
}

std::int64_t CKorvoView::SplitX() const {
    const std::int64_t cw = GetClientSize().x;
    return std::clamp<std::int64_t>(std::llround(m_splitFraction * double(cw)), 0, cw);
}

void CKorvoView::SetHighlight(int index, QImage image) {
    m_nHighlight = image.isNull() ? -1 : index;
    m_highlight = m_nHighlight < 0 ? QImage() : std::move(image);
    viewport()->update();
}

const QImage& CKorvoView::ResultImage() const {
    return m_highlight.isNull() ? m_pDoc->DisplayImage() : m_highlight;
}

void CKorvoView::ZoomChangedTo(int zoom) {
    m_pDoc->m_nZoom = zoom;
    SetScrollSizes(ZoomScale(m_pDoc->m_sizeDoc.width(), zoom),
                   ZoomScale(m_pDoc->m_sizeDoc.height(), zoom));
    QMdiSubWindow* frame = ParentFrame();
    if (frame && !frame->isMaximized())
        ResizeParentToFit();
    viewport()->update();
    emit ZoomChanged();
}

void CKorvoView::ResizeParentToFit() {
    QMdiSubWindow* frame = ParentFrame();
    if (!frame || frame->isMaximized() || frame->isMinimized())
        return;
    const qreal dpr = Dpr();
    const QSize want(int(std::min<std::int64_t>(std::llround(std::ceil(m_totalW / dpr)), 1 << 24)),
                     int(std::min<std::int64_t>(std::llround(std::ceil(m_totalH / dpr)), 1 << 24)));
    // What the frame adds around the view: title bar and borders.
    const QSize extra = frame->size() - size();
    QSize target = want + extra;
    // Wide enough for the whole title, and never narrower than kMinWindowWidth.
    target.setWidth(std::max({target.width(), kMinWindowWidth, TitleFitWidth(frame)}));
    // A picture larger than the MDI area gets a window as large as the area; the view scrolls.
    if (QMdiArea* area = frame->mdiArea())
        target = target.boundedTo(area->viewport()->size());
    frame->resize(target.expandedTo(frame->minimumSizeHint()));
}

DrawPlan CKorvoView::CurrentDrawPlan() const {
    if (!m_pDoc->HasDib())
        return {};
    const ViewPoint client = GetClientSize();
    return PlanDraw(GetScrollPosition(), client.x, client.y, m_pDoc->m_sizeDoc.width(),
                    m_pDoc->m_sizeDoc.height(), m_pDoc->m_nZoom);
}

std::vector<ViewRect> CKorvoView::CurrentMargins() const {
    const ViewPoint client = GetClientSize();
    return MarginRects(client.x, client.y, m_totalW, m_totalH);
}

QColor CKorvoView::HatchColour(const QColor& face) {
    auto shift = [](int c) { return c < 128 ? c + 16 : c - 16; };
    return QColor(shift(face.red()), shift(face.green()), shift(face.blue()));
}

QImage CKorvoView::HatchTile(const QColor& face) {
    // One 8 x 8 cell of a diagonal cross hatch on the face colour, tiled as a texture: much
    // cheaper to fill large margins with than a pattern brush.
    QImage tile(8, 8, QImage::Format_RGB32);
    tile.fill(face);
    const QRgb line = HatchColour(face).rgb();
    for (int i = 0; i < 8; ++i) {
        tile.setPixel(i, i, line);
        tile.setPixel(7 - i, i, line);
    }
    return tile;
}

void CKorvoView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const qreal dpr = Dpr();
    painter.scale(1 / dpr, 1 / dpr); // device pixels from here on
    const ViewPoint client = GetClientSize();
    const QColor face = palette().color(QPalette::Button);

    const ViewPoint scroll = GetScrollPosition();
    painter.setBrushOrigin(QPointF(qreal(-scroll.x), qreal(-scroll.y)));
    const QBrush hatch(HatchTile(face));
    for (const ViewRect& rc : CurrentMargins())
        painter.fillRect(QRect(int(rc.left), int(rc.top), int(rc.Width()), int(rc.Height())),
                         hatch);

    // Source and result share one plan: compare changes only which picture fills it.
    const DrawPlan plan = CurrentDrawPlan();
    const QImage* original = m_compare != CompareMode::Off && CanCompare()
                                 ? &m_pDoc->m_pSource->DisplayImage()
                                 : nullptr;
    int drawn = 0;
    if (!plan.dst.IsEmpty()) {
        if (!original) {
            drawn = DibPaint(painter, plan.dst, ResultImage(), plan.src);
        } else if (m_compare == CompareMode::Original) {
            drawn = DibPaint(painter, plan.dst, *original, plan.src);
        } else {
            const int split = int(SplitX());
            painter.setClipRect(QRect(0, 0, split, ClampInt(client.y)));
            DibPaint(painter, plan.dst, *original, plan.src);
            painter.setClipRect(QRect(split, 0, ClampInt(client.x - split), ClampInt(client.y)));
            drawn = DibPaint(painter, plan.dst, ResultImage(), plan.src);
            painter.setClipping(false);
        }
    }
    if (drawn == 0) {
        // No picture to show: the area between the margins gets the window colour.
        const std::int64_t l = client.x > m_totalW ? (client.x - m_totalW) / 2 : 0;
        const std::int64_t t = client.y > m_totalH ? (client.y - m_totalH) / 2 : 0;
        painter.fillRect(QRect(int(l), int(t), ClampInt(std::min(m_totalW, client.x)),
                               ClampInt(std::min(m_totalH, client.y))),
                         palette().color(QPalette::Base));
    }
    if (original && m_compare == CompareMode::Split) {
        // The divider, one logical pixel wide, in the program's own colour for a selection.
        painter.fillRect(QRect(int(SplitX()), 0, std::max(1, qRound(dpr)), ClampInt(client.y)),
                         palette().color(QPalette::Highlight));
    }
}

void CKorvoView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CKorvoView::scrollContentsBy(int, int) {
    viewport()->update();
    emit Scrolled();
}

bool CKorvoView::NearDivider(ViewPoint mouse) const {
    // Within a few logical pixels either side, so the thin line is easy to catch.
    return m_compare == CompareMode::Split &&
           std::abs(mouse.x - SplitX()) <= std::llround(4 * Dpr());
}

void CKorvoView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_ptLast = ToDevice(event->position());
        if (NearDivider(m_ptLast)) {
            m_bDividerDrag = true;
        } else {
            m_bDragging = true;
            viewport()->setCursor(Qt::SizeAllCursor);
        }
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void CKorvoView::mouseMoveEvent(QMouseEvent* event) {
    const ViewPoint at = ToDevice(event->position());
    if (m_bDividerDrag) {
        const std::int64_t cw = GetClientSize().x;
        SetSplitFraction(cw > 0 ? double(at.x) / double(cw) : 0.5);
    } else if (!m_bDragging && m_compare == CompareMode::Split) {
        if (NearDivider(at))
            viewport()->setCursor(Qt::SplitHCursor);
        else
            viewport()->unsetCursor();
    }
    if (m_bDragging) {
        const ViewPoint mouse = ToDevice(event->position());
        const ViewPoint client = GetClientSize();
        ScrollToPosition(DragScrollPosition(m_ptLast, GetScrollPosition(), mouse, m_totalW,
                                            m_totalH, client.x, client.y));
        m_ptLast = mouse;
    }
    QAbstractScrollArea::mouseMoveEvent(event);
}

void CKorvoView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_bDividerDrag = false;
    if (event->button() == Qt::LeftButton && m_bDragging) {
        m_bDragging = false;
        viewport()->unsetCursor();
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void CKorvoView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (QMdiSubWindow* frame = ParentFrame()) {
        if (frame->isMaximized())
            frame->showNormal();
        else
            frame->showMaximized();
    }
    QAbstractScrollArea::mouseDoubleClickEvent(event);
}

void CKorvoView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        m_nWheelRest = 0;
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    // One zoom level for each notch (120 units); touch pads send smaller steps that add up.
    m_nWheelRest += event->angleDelta().y();
    const int steps = m_nWheelRest / 120;
    m_nWheelRest -= steps * 120;
    if (steps != 0)
        SetZoom(m_pDoc->m_nZoom + steps);
    event->accept();
}
