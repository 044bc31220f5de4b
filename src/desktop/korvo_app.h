// The program's start-up: creates the main window (which reads the settings file and loads the
// plug-ins), opens the files named on the command line and shows the window.
#pragma once

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

private:
    std::unique_ptr<CMainFrame> m_pMainWnd;
};
