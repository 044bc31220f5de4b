// The main window: an MDI area of picture windows, the five menus, the tool bar and the status
// bar with the run's progress bar. It opens files (menu, recent list, drag and drop, command
// line), arranges the windows, and reads the settings file when it is created and writes it
// when it is destroyed.
#pragma once

#include "desktop/recent_file_list.h"
#include "pluginhost/plugin_registry.h"

#include <QMainWindow>
#include <QSize>
#include <functional>
#include <memory>

class CChildFrame;
class CDocument;
class CKorvoDoc;
class CKorvoView;
class CMyStatusBar;
class COpenFileDialog;
class CSaveFileDialog;
class IniText;
class QMdiArea;
class QMenu;
class QToolBar;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override; // writes the settings file

    // Reads the settings file through the version gate (first start of a version: about box,
    // defaults, plug-in folder), then loads the plug-ins. Call once, before showing.
    bool Create();
    // Shows the window in the state the settings file asked for.
    void ShowWithStoredState();

    // Opens `path` by name: an open document with that path comes to the front instead.
    CKorvoDoc* OpenDocumentFile(const QString& path);
    // The Open command: one chosen file opens in a new window (even when already open);
    // two or more go to OpenBatch.
    void OpenFiles();
    // Puts a document that holds a picture (or none) into a new window and shows it.
    CChildFrame* AddImageDocument(std::unique_ptr<CKorvoDoc> doc);
    // Puts any document with its view into a new window.
    CChildFrame* AddDocumentWindow(std::unique_ptr<CDocument> doc, QWidget* view);

    CKorvoDoc* ActiveImageDocument() const;
    CKorvoView* ActiveImageView() const;
    QMdiArea* MdiArea() const { return m_pMdiArea; }
    CMyStatusBar* StatusBar() const { return m_pStatusBar; }
    QToolBar* ToolBar() const { return m_pToolBar; }
    COpenFileDialog& OpenDialog() { return *m_pOpenDlg; }
    CSaveFileDialog& SaveDialog() { return *m_pSaveDlg; }
    CRecentFileList& RecentFiles() { return m_recentFiles; }
    // The program's plug-ins: loaded when the window is created, unloaded when it is destroyed.
    PluginHost& Plugins() { return m_pluginHost; }
    // A command by its object name ("actionOpen", "actionReduce", ...).
    QAction* Action(const QString& name) const;

    // Enables the commands for the active window; runs after every change that matters.
    void UpdateCommandUI();

    // Commands.
    void OnFileNew();
    void OnFileClose();
    void OnFileSaveAs();
    void OnShowProperties();
    void OnWindowCascade();
    void OnWindowTileHorizontally();
    void OnWindowTileVertically();
    void OnWindowArrangeIcons();
    void OnCloseAll();
    void OnAppAbout();

    // Two or more files chosen at once; the batch window takes them. Until it exists the first
    // file opens as a picture.
    std::function<void(const QStringList&)> m_openBatch;
    // Whether a quantization run is under way anywhere; the program does not end meanwhile.
    std::function<bool()> m_isRunning;
    // The control panel's keys of the settings file ("ControllPanel" section).
    std::function<void(const IniText&)> m_loadPanelSettings;
    std::function<void(IniText&)> m_savePanelSettings;
    // Enables the commands served outside the main window (run, clipboard, plug-in settings).
    std::function<void()> m_updateMoreCommands;

    QSize m_sizeNewDoc{0, 0}; // the size the next new image document takes

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateCommands();
    void CreateMenus();
    void CreateToolBar();
    void RebuildRecentMenu();
    void OpenRecentFile(int index);
    void UpdateTitle();
    void ReadSettings(const IniText& settings);
    // Moves the window to a stored rectangle (see main_frame_settings.cpp).
    void PlaceWindow(int left, int top, int right, int bottom);
    void SetFirstStartDefaults();
    void WriteSettings();
    std::unique_ptr<CKorvoDoc> ReadDocument(const QString& path);

    QMdiArea* m_pMdiArea;
    CMyStatusBar* m_pStatusBar;
    QToolBar* m_pToolBar = nullptr;
    QMenu* m_pFileMenu = nullptr;
    QMenu* m_pRecentMenu = nullptr;
    QList<QAction*> m_recentActions;
    std::unique_ptr<COpenFileDialog> m_pOpenDlg;
    std::unique_ptr<CSaveFileDialog> m_pSaveDlg;
    CRecentFileList m_recentFiles;
    PluginHost m_pluginHost;
    int m_nShowCmd = 1; // how the first showing presents the window (1 normal, 3 maximised)
    int m_nNewCount = 0;
    bool m_bCreated = false;
    bool m_bSettingsRefused = false; // the settings file is not one to read or rewrite
};
