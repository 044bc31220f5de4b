#include "desktop/my_status_bar.h"

#include <QLabel>
#include <QProgressBar>

CMyStatusBar::CMyStatusBar(QWidget* parent) : QStatusBar(parent) {
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

void CMyStatusBar::SetRunning(bool running) {
    m_bRunning = running;
    m_pIdle->setText(running ? QStringLiteral("Quantizing, please wait...") : QString());
}

void CMyStatusBar::SetNote(const QString& text) {
    if (!m_bRunning)
        m_pIdle->setText(text);
}

QString CMyStatusBar::IdleText() const {
    return m_pIdle->text();
}

QString CMyStatusBar::ShownText() const {
    return currentMessage().isEmpty() ? m_pIdle->text() : currentMessage();
}

void CMyStatusBar::SetProgressPos(int pos) {
    m_nProgressPos = pos;
    m_pProgress->setValue(pos);
}

void CMyStatusBar::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    PlaceProgress();
}

void CMyStatusBar::PlaceProgress() {
    const QRect pane = contentsRect();
    const int half = pane.right() / 2;
    m_pProgress->setGeometry(half, pane.top(), pane.right() - half + 1, pane.height());
    m_pProgress->setValue(m_nProgressPos);
    m_pProgress->raise();
    m_pProgress->show();
}
