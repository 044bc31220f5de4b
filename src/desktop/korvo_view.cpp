#include "desktop/korvo_view.h"

#include "desktop/clipboard.h"
#include "desktop/dib_paint.h"
#include "desktop/wait_cursor.h"
#include "document/korvo_doc.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {
int ClampInt(std::int64_t v) {
    return int(std::clamp<std::int64_t>(v, 0, std::numeric_limits<int>::max()));
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

    const DrawPlan plan = CurrentDrawPlan();
    if (plan.dst.IsEmpty() || DibPaint(painter, plan.dst, m_pDoc->DisplayImage(), plan.src) == 0) {
        // No picture to show: the area between the margins gets the window colour.
        const std::int64_t l = client.x > m_totalW ? (client.x - m_totalW) / 2 : 0;
        const std::int64_t t = client.y > m_totalH ? (client.y - m_totalH) / 2 : 0;
        painter.fillRect(QRect(int(l), int(t), ClampInt(std::min(m_totalW, client.x)),
                               ClampInt(std::min(m_totalH, client.y))),
                         palette().color(QPalette::Base));
    }
}

void CKorvoView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CKorvoView::scrollContentsBy(int, int) {
    viewport()->update();
}

void CKorvoView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_bDragging = true;
        m_ptLast = ToDevice(event->position());
        viewport()->setCursor(Qt::SizeAllCursor);
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void CKorvoView::mouseMoveEvent(QMouseEvent* event) {
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
