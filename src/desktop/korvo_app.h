// The program's start-up: creates the main window (which reads the settings file and loads the
// plug-ins), opens the files named on the command line and shows the window. The application
// owns the run state, which the main window and its runs share.
#pragma once

#include "desktop/quant_sign.h"

#include <QStringList>
#include <memory>

class CMainFrame;

class CKorvoApp {
public:
    CKorvoApp();
    ~CKorvoApp();

    // `files` are the command line's file arguments. False when the program should end: the
    // main window could not be made, or no named file could be opened.
    bool InitInstance(const QStringList& files);

    CMainFrame* MainFrame() const { return m_pMainWnd.get(); }
    CQuantSign& RunState() { return m_quantSign; }

private:
    CQuantSign m_quantSign; // declared first: the window uses it until it is gone
    std::unique_ptr<CMainFrame> m_pMainWnd;
};
