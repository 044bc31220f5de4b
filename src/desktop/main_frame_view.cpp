// The main window's side of looking at pictures: compare with the original (menu, tool bar and
// the backslash key), synchronized views, the palette view, the Window menu's list of windows,
// where a result window opens, and the status bar's zoom and quality figures.
#include "desktop/child_frame.h"
#include "desktop/main_frame.h"
#include "desktop/main_status_bar.h"
#include "desktop/palette_dock.h"
#include "desktop/picture_facts.h"
#include "desktop/view_geometry.h"
#include "document/korvo_doc.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QStyle>

namespace {

CKorvoView* ViewOf(QMdiSubWindow* sub) {
    return sub ? qobject_cast<CKorvoView*>(sub->widget()) : nullptr;
}

QString ZoomText(int zoom) {
    return QStringLiteral("%1 %").arg(ZoomPercent(zoom), 0, 'g', 6);
}

} // namespace

void CMainFrame::CreateViewTools() {
    m_pPaletteDock = new CPaletteDock(this);
    addDockWidget(Qt::RightDockWidgetArea, m_pPaletteDock);
    m_pPaletteDock->hide(); // a result window shows it
    QAction* toggle = Action(QStringLiteral("actionPaletteView"));
    connect(m_pPaletteDock, &QDockWidget::visibilityChanged, toggle,
            [dock = m_pPaletteDock, toggle](bool) {
                // Minimising the main window hides the dock without the user asking.
                if (!dock->window()->isMinimized())
                    toggle->setChecked(!dock->isHidden());
            });
    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, &CMainFrame::OnActiveViewChanged);
    // The compare key is seen before the widget with the focus would take it.
    qApp->installEventFilter(this);
}

void CMainFrame::ConnectView(CKorvoView* view) {
    connect(view, &CKorvoView::ZoomChanged, this, [this, view] {
        SyncViews(view);
        UpdateViewStatus();
    });
    connect(view, &CKorvoView::Scrolled, this, [this, view] { SyncViews(view); });
    connect(view, &CKorvoView::CompareChanged, this, &CMainFrame::UpdateCommandUI);
}

void CMainFrame::OnActiveViewChanged() {
    m_pPaletteDock->SetView(ActiveImageView());
    UpdateViewStatus();
}

void CMainFrame::UpdateViewStatus() {
    CKorvoView* view = ActiveImageView();
    m_pStatusBar->SetZoomText(view ? ZoomText(view->GetDocument()->m_nZoom) : QString());
    QString figures;
    if (view && !view->GetDocument()->m_canReduce) {
        CPictureFacts* facts = CPictureFacts::Of(view->GetDocument());
        connect(facts, &CPictureFacts::Changed, this, &CMainFrame::UpdateViewStatus,
                Qt::UniqueConnection);
        facts->RequestQuality();
        figures = facts->QualityPending() ? tr("Measuring the result...") : facts->QualityText();
    }
    m_pStatusBar->SetFiguresText(figures);
}

void CMainFrame::OnCompare(CompareMode mode) {
    CKorvoView* view = ActiveImageView();
    if (view)
        view->SetCompareMode(view->GetCompareMode() == mode ? CompareMode::Off : mode);
    UpdateCommandUI(); // also when nothing changed: the action's check follows the view
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
        watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        if (key.key() == Qt::Key_Backslash &&
            !(key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
            return OnCompareKey(key);
    }
    return QMainWindow::eventFilter(watched, event);
}

// Pressed, the key switches between result and original; held until it repeats, it shows the
// original only until it is released.
bool CMainFrame::OnCompareKey(const QKeyEvent& key) {
    CKorvoView* view = ActiveImageView();
    if (!view || !view->CanCompare())
        return false;
    if (key.type() == QEvent::KeyPress) {
        if (key.isAutoRepeat()) {
            m_bCompareKeyHeld = true;
        } else {
            m_bCompareKeyHeld = false;
            m_compareBeforeKey = view->GetCompareMode();
            view->SetCompareMode(m_compareBeforeKey == CompareMode::Original
                                     ? CompareMode::Off
                                     : CompareMode::Original);
        }
    } else if (!key.isAutoRepeat() && m_bCompareKeyHeld) {
        m_bCompareKeyHeld = false;
        view->SetCompareMode(m_compareBeforeKey);
    }
    return true;
}

void CMainFrame::SyncViews(CKorvoView* from) {
    if (!from || m_bSyncing || !Action(QStringLiteral("actionSyncViews"))->isChecked())
        return;
    m_bSyncing = true;
    const CKorvoDoc* doc = from->GetDocument();
    for (QMdiSubWindow* sub : m_pMdiArea->subWindowList()) {
        CKorvoView* view = ViewOf(sub);
        if (!view || view == from || view->GetDocument()->m_sizeDoc != doc->m_sizeDoc)
            continue;
        view->SetZoom(doc->m_nZoom);
        view->ScrollToPosition(from->GetScrollPosition());
    }
    m_bSyncing = false;
}

void CMainFrame::RebuildWindowMenu() {
    // Later: the entry being triggered may be one of them.
    for (QAction* action : std::as_const(m_windowActions)) {
        m_pWindowMenu->removeAction(action);
        action->deleteLater();
    }
    m_windowActions.clear();
    QMdiSubWindow* active = m_pMdiArea->activeSubWindow();
    const QList<QMdiSubWindow*> windows = m_pMdiArea->subWindowList();
    for (qsizetype i = 0; i < windows.size(); ++i) {
        QString title = windows[i]->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* action = new QAction(i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(title) : title,
                                   m_pWindowMenu);
        action->setObjectName(QStringLiteral("actionWindow%1").arg(i + 1));
        action->setCheckable(true);
        action->setChecked(windows[i] == active);
        connect(action, &QAction::triggered, this, [this, window = QPointer(windows[i])] {
            if (window)
                m_pMdiArea->setActiveSubWindow(window);
            RebuildWindowMenu(); // the check stays on the active window
        });
        m_pWindowMenu->addAction(action);
        m_windowActions << action;
    }
}

void CMainFrame::PlaceBeside(QMdiSubWindow* window, const CKorvoDoc& source) {
    QMdiSubWindow* beside = nullptr;
    for (QMdiSubWindow* sub : m_pMdiArea->subWindowList())
        if (auto* frame = qobject_cast<CChildFrame*>(sub); frame && frame->GetDocument() == &source)
            beside = sub;
    if (!beside || beside->isMaximized() || beside->isMinimized() || window->isMaximized())
        return;
    const QSize area = m_pMdiArea->viewport()->size();
    const QRect s = beside->geometry();
    const QSize size = window->size();
    const auto fitsDown = [&](int top) {
        return std::max(0, std::min(top, area.height() - size.height()));
    };
    const auto fitsAcross = [&](int left) {
        return std::max(0, std::min(left, area.width() - size.width()));
    };
    QPoint at;
    if (s.right() + 1 + size.width() <= area.width())
        at = QPoint(s.right() + 1, fitsDown(s.top()));
    else if (s.bottom() + 1 + size.height() <= area.height())
        at = QPoint(fitsAcross(s.left()), s.bottom() + 1);
    else if (s.left() >= size.width())
        at = QPoint(s.left() - size.width(), fitsDown(s.top()));
    else {
        // No room beside it: offset by a title bar's height, so both titles show.
        const int step = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
        at = QPoint(fitsAcross(s.left() + step), fitsDown(s.top() + step));
        if (at == s.topLeft())
            at = QPoint(std::max(0, s.left() - step), std::max(0, s.top() - step));
    }
    window->move(at);
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange)
        SetCommandIcons();
}
