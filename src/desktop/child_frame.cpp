#include "desktop/child_frame.h"

#include "desktop/app_icon.h"
#include "document/document.h"

#include <QCloseEvent>

CChildFrame::CChildFrame(std::unique_ptr<CDocument> doc, QWidget* view) : m_pDoc(std::move(doc)) {
    setObjectName(QStringLiteral("childFrame"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(view);
    setWindowTitle(m_pDoc->GetTitle());
    setWindowIcon(AppIcon());
    connect(m_pDoc.get(), &CDocument::TitleChanged, this, &QWidget::setWindowTitle);
}

CChildFrame::~CChildFrame() {
    // The view reads the document while it exists; it goes first.
    delete widget();
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (!m_pDoc->CanCloseFrame()) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}
