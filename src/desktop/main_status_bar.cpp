#include "desktop/main_status_bar.h"

#include <QEvent>
#include <QLabel>
#include <QProgressBar>

CMainStatusBar::CMainStatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("statusBar"));
    m_pIdle = new QLabel(this);
    m_pIdle->setObjectName(QStringLiteral("idleText"));
    addWidget(m_pIdle, 1);
    m_pFigures = new QLabel(this);
    m_pFigures->setObjectName(QStringLiteral("figuresText"));
    m_pFigures->hide();
    addPermanentWidget(m_pFigures);
    m_pZoom = new QLabel(this);
    m_pZoom->setObjectName(QStringLiteral("zoomText"));
    m_pZoom->hide();
    addPermanentWidget(m_pZoom);
    // Not part of the bar's layout: placed by hand over the right half of the pane, like a
    // child drawn on top of the pane.
    m_pProgress = new QProgressBar(this);
    m_pProgress->setObjectName(QStringLiteral("progressBar"));
    m_pProgress->setRange(0, 1000);
    m_pProgress->setTextVisible(false);
    m_pProgress->setValue(0);
    PlaceProgress();
    m_pIdle->installEventFilter(this); // the progress bar follows the pane
}

void CMainStatusBar::SetRunning(bool running) {
    m_bRunning = running;
    m_pIdle->setText(running ? QStringLiteral("Quantizing, please wait...") : QString());
}

void CMainStatusBar::SetNote(const QString& text) {
    if (!m_bRunning)
        m_pIdle->setText(text);
}

QString CMainStatusBar::IdleText() const {
    return m_pIdle->text();
}

QString CMainStatusBar::ShownText() const {
    return currentMessage().isEmpty() ? m_pIdle->text() : currentMessage();
}

void CMainStatusBar::SetProgressPos(int pos) {
    m_nProgressPos = pos;
    m_pProgress->setValue(pos);
}

void CMainStatusBar::SetZoomText(const QString& text) {
    m_pZoom->setText(text);
    m_pZoom->setVisible(!text.isEmpty());
}

void CMainStatusBar::SetFiguresText(const QString& text) {
    m_pFigures->setText(text);
    m_pFigures->setVisible(!text.isEmpty());
}

QString CMainStatusBar::ZoomText() const {
    return m_pZoom->text();
}

QString CMainStatusBar::FiguresText() const {
    return m_pFigures->text();
}

void CMainStatusBar::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    PlaceProgress();
}

bool CMainStatusBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pIdle && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        PlaceProgress();
    return QStatusBar::eventFilter(watched, event);
}

void CMainStatusBar::PlaceProgress() {
    // The message pane: the bar's left part, up to the permanent areas.
    const QRect pane = m_pIdle->geometry().isValid() && m_pIdle->width() > 0
                           ? QRect(contentsRect().left(), contentsRect().top(),
                                   m_pIdle->geometry().right() - contentsRect().left() + 1,
                                   contentsRect().height())
                           : contentsRect();
    const int half = pane.right() / 2;
    m_pProgress->setGeometry(half, pane.top(), pane.right() - half + 1, pane.height());
    m_pProgress->setValue(m_nProgressPos);
    m_pProgress->raise();
    m_pProgress->show();
}
