#include "desktop/main_status_bar.h"

#include <QLabel>
#include <QProgressBar>

CMainStatusBar::CMainStatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("statusBar"));
    m_pIdle = new QLabel(this);
    m_pIdle->setObjectName(QStringLiteral("idleText"));
    addWidget(m_pIdle, 1);
    // Not part of the bar's layout: placed by hand over the right half of the pane, like a
    // child drawn on top of the pane.
    m_pProgress = new QProgressBar(this);
    m_pProgress->setObjectName(QStringLiteral("progressBar"));
    m_pProgress->setRange(0, 1000);
    m_pProgress->setTextVisible(false);
    m_pProgress->setValue(0);
    PlaceProgress();
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

void CMainStatusBar::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    PlaceProgress();
}

void CMainStatusBar::PlaceProgress() {
    const QRect pane = contentsRect();
    const int half = pane.right() / 2;
    m_pProgress->setGeometry(half, pane.top(), pane.right() - half + 1, pane.height());
    m_pProgress->setValue(m_nProgressPos);
    m_pProgress->raise();
    m_pProgress->show();
}
