// The image view: shows an image document's picture at one of 21 zoom levels inside an MDI child
// window. It works in device pixels, so zoom 1 shows one picture pixel per physical screen pixel
// on a scaled desktop too; it draws only the visible part, nearest-neighbour, centres a picture
// smaller than the window between hatched margins, and scrolls when the picture is dragged.
// A run result's view can show its source instead (compare), or both split by a divider the
// user drags: the same zoom, scroll and drawing plan for both, so they line up pixel for pixel.
// It can also show the pixels of one palette entry with the others dimmed.
#pragma once

#include "desktop/view_geometry.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <vector>

class CKorvoDoc;
class QMdiSubWindow;

// What a result's view shows of its source: nothing, the source in place of the result, or the
// source left of a divider and the result right of it.
enum class CompareMode { Off, Original, Split };

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
    // Any of the 21 levels (kZoomMin..kZoomMax); the zoom commands, Ctrl+wheel and
    // synchronized views all come here.
    void SetZoom(int zoom);
    // The largest level at which the whole picture fits the window: a maximized window as it
    // is, any other as large as the MDI area lets it grow.
    void OnFitToWindow();

    // Compare needs a source that is still open and of the same size.
    bool CanCompare() const;
    CompareMode GetCompareMode() const { return m_compare; }
    void SetCompareMode(CompareMode mode);
    // The divider of the split mode, as a share of the client width (0..1).
    double GetSplitFraction() const { return m_splitFraction; }
    void SetSplitFraction(double fraction);
    // The divider's client x in device pixels: the source left of it, the result from it on.
    std::int64_t SplitX() const;

    // Shows `image` (the picture with every pixel but those of entry `index` dimmed) until it is
    // cleared with index -1.
    void SetHighlight(int index, QImage image);
    int GetHighlight() const { return m_nHighlight; }

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
    void Scrolled();
    void CompareChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void SetScrollSizes(std::int64_t tw, std::int64_t th);
    void UpdateScrollBars();
    void ZoomChangedTo(int zoom);
    qreal Dpr() const;
    ViewPoint ToDevice(const QPointF& pos) const;
    QMdiSubWindow* ParentFrame() const;
    const QImage& ResultImage() const;
    bool NearDivider(ViewPoint mouse) const;

    CKorvoDoc* m_pDoc;
    std::int64_t m_totalW = 0;
    std::int64_t m_totalH = 0;
    bool m_bDragging = false;
    bool m_bDividerDrag = false;
    ViewPoint m_ptLast;
    CompareMode m_compare = CompareMode::Off;
    double m_splitFraction = 0.5;
    int m_nHighlight = -1;
    QImage m_highlight;
    int m_nWheelRest = 0; // Ctrl+wheel angle not yet turned into a zoom step
};
