#include "desktop/korvo_app.h"

#include "desktop/main_frame.h"

CKorvoApp::CKorvoApp() = default;
CKorvoApp::~CKorvoApp() = default;

bool CKorvoApp::InitInstance(const QStringList& files) {
    m_pMainWnd = std::make_unique<CMainFrame>(m_quantSign);
    if (!m_pMainWnd->Create())
        return false;
    // Shown first, so that picture windows fit themselves to an area of its final size.
    m_pMainWnd->ShowWithStoredState();
    // Every named file is opened by name; the program ends only when none of them could be
    // (each failure has shown its own message).
    bool any = files.isEmpty();
    for (const QString& file : files)
        any = m_pMainWnd->OpenDocumentFile(file) != nullptr || any;
    return any;
}
