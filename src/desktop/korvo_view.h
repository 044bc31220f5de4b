// The image view: shows an image document's picture at one of 21 zoom levels inside an MDI child
// window. It works in device pixels, so zoom 1 shows one picture pixel per physical screen pixel
// on a scaled desktop too; it draws only the visible part, nearest-neighbour, centres a picture
// smaller than the window between hatched margins, and scrolls when the picture is dragged.
#pragma once

#include "desktop/view_geometry.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <vector>

class CKorvoDoc;
class QMdiSubWindow;

class CKorvoView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CKorvoView(CKorvoDoc* doc, QWidget* parent = nullptr);

    CKorvoDoc* GetDocument() const { return m_pDoc; }

    // Sizes the scroll range to the unscaled picture and fits the child window to it.
    void OnInitialUpdate();

    // Copy to clipboard: the document's picture, exactly, for this and other programs.
    void OnCopy();
    void OnZoomIn();
    void OnZoomOut();
    void OnActualView();
    bool CanZoomIn() const;
    bool CanZoomOut() const;

    // Fits the child window to the scaled picture (never beyond the MDI area); nothing happens
    // while the child window is maximized or minimized.
    void ResizeParentToFit();

    // The scroll range (scaled picture size) and position, in device pixels.
    ViewPoint GetTotalSize() const { return {m_totalW, m_totalH}; }
    ViewPoint GetScrollPosition() const;
    void ScrollToPosition(ViewPoint pos);
    // Client size in device pixels.
    ViewPoint GetClientSize() const;
    // What the next paint draws and where its margins are, in client device pixels.
    DrawPlan CurrentDrawPlan() const;
    std::vector<ViewRect> CurrentMargins() const;
    bool IsDragging() const { return m_bDragging; }

    // The margin hatch: each byte of the face colour moved 16 towards the middle.
    static QColor HatchColour(const QColor& face);
    static QImage HatchTile(const QColor& face);

signals:
    void ZoomChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void SetScrollSizes(std::int64_t tw, std::int64_t th);
    void UpdateScrollBars();
    void ZoomChangedTo(int zoom);
    qreal Dpr() const;
    ViewPoint ToDevice(const QPointF& pos) const;
    QMdiSubWindow* ParentFrame() const;

    CKorvoDoc* m_pDoc;
    std::int64_t m_totalW = 0;
    std::int64_t m_totalH = 0;
    bool m_bDragging = false;
    ViewPoint m_ptLast;
};
