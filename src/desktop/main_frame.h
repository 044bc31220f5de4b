// The main window: an MDI area of picture and batch windows, the five menus, the tool bar and the
// status bar with the run's progress bar. It connects every command to the object that handles
// it (see ConnectCommands in main_frame.cpp), opens files (menu, recent list, drag and drop,
// command line), starts quantization runs, and reads the settings file when it is created and
// writes it when it is destroyed.
#pragma once

#include "desktop/control_panel.h"
#include "desktop/korvo_view.h"
#include "desktop/recent_file_list.h"
#include "pluginhost/plugin_registry.h"
#include "quant/quant.h"

#include <QMainWindow>
#include <QSize>
#include <QThread>
#include <memory>

class CChildFrame;
class CDocument;
class CKorvoDoc;
class CMainStatusBar;
class CPaletteDock;
class COpenFileDialog;
class CQuantSign;
class CSaveFileDialog;
class IniText;
class QMdiArea;
class QMenu;
class QToolBar;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // `runState` is the application's; it outlives the window.
    explicit CMainFrame(CQuantSign& runState);
    ~CMainFrame() override; // writes the settings file

    // Reads the settings file through the version gate (first start of a version: about box,
    // defaults, plug-in folder), then loads the plug-ins. Call once, before showing.
    bool Create();
    // Shows the window in the state the settings file asked for.
    void ShowWithStoredState();

    // Opens `path` by name: an open document with that path comes to the front instead.
    CKorvoDoc* OpenDocumentFile(const QString& path);
    // Puts a document that holds a picture (or none) into a new window and shows it.
    CChildFrame* AddImageDocument(std::unique_ptr<CKorvoDoc> doc);

    CKorvoDoc* ActiveImageDocument() const;
    CKorvoView* ActiveImageView() const;
    QMdiArea* MdiArea() const { return m_pMdiArea; }
    CMainStatusBar* StatusBar() const { return m_pStatusBar; }
    QToolBar* ToolBar() const { return m_pToolBar; }
    CPaletteDock* PaletteDock() const { return m_pPaletteDock; }
    COpenFileDialog& OpenDialog() { return *m_pOpenDlg; }
    CSaveFileDialog& SaveDialog() { return *m_pSaveDlg; }
    CRecentFileList& RecentFiles() { return m_recentFiles; }
    // The quantizer settings the user confirms before each run; kept in the settings file.
    CControllPanel& ControlPanel() { return m_wndControlPanel; }
    // The program's plug-ins: loaded when the window is created, unloaded when it is destroyed.
    PluginHost& Plugins() { return m_pluginHost; }
    // A command by its object name ("actionOpen", "actionReduce", ...).
    QAction* Action(const QString& name) const;

    // A run's worker yields the processor to everything else; tests on a busy machine raise it
    // so that a run ends in predictable time.
    QThread::Priority m_runPriority = QThread::IdlePriority;

protected:
    void changeEvent(QEvent* event) override;
    // The compare key, for every widget of this window (main_frame_view.cpp).
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Commands (main_frame.cpp unless noted).
    void OnFileNew();
    void OpenFiles();
    void OnFileClose();
    void OnFileSaveAs();
    void OnSavePalette(); // main_frame_output.cpp
    void OnReduceAll();   // main_frame_output.cpp
    // The values the user has just confirmed on the control panel and the colours of its palette
    // file (none when the palette is computed), the values then fitted to that palette; false,
    // after telling the user why, when the file gives no palette (main_frame_output.cpp).
    bool ReadRunValues(PanelValues& values, std::vector<std::uint32_t>& colors);
    void OnShowProperties();
    void OnPluginSettings();
    void OnPaste();
    void OnReduce(); // main_frame_run.cpp
    void OnCancel(); // main_frame_run.cpp
    void OnWindowCascade();
    void OnWindowTileHorizontally();
    void OnWindowTileVertically();
    void OnWindowArrangeIcons();
    void OnCloseAll();
    void OnAppAbout();

    void CreateCommands();
    void SetCommandIcons();
    void ConnectCommands();
    void CreateMenus();
    void CreateToolBar();
    // Enables the commands for the active window; runs after every change that matters.
    void UpdateCommandUI();
    void RebuildRecentMenu();
    void OpenRecentFile(int index);
    void UpdateTitle();
    std::unique_ptr<CKorvoDoc> ReadDocument(const QString& path);
    void NewImageDocument();
    // A batch window listing `files` (none: an empty one from New).
    void OpenBatch(const QStringList& files);
    CChildFrame* AddDocumentWindow(std::unique_ptr<CDocument> doc, QWidget* view);
    // The end of a run: its result in a new window, or the warning and why (main_frame_run.cpp).
    void OnRunFinished(CKorvoDoc& source, QuantResult outcome, int transparentIndex);

    // Looking at pictures (main_frame_view.cpp): compare, synchronized views, the palette view,
    // the list of windows, where a result opens and the status bar's zoom and figures.
    void CreateViewTools();
    void ConnectView(CKorvoView* view);
    void OnActiveViewChanged();
    void UpdateViewStatus();
    // Switches the active result's view to `mode`, or back to the result when it shows it.
    void OnCompare(CompareMode mode);
    bool OnCompareKey(const QKeyEvent& key);
    // With "Synchronize views" on, the pictures of the same size as `from`'s take its zoom and
    // scroll position.
    void SyncViews(CKorvoView* from);
    void RebuildWindowMenu();
    // A result window goes beside its source (right, below or left), else offset from it.
    void PlaceBeside(QMdiSubWindow* window, const CKorvoDoc& source);

    // The settings file (main_frame_settings.cpp).
    void ReadSettings(const IniText& settings);
    void PlaceWindow(int left, int top, int right, int bottom);
    void SetFirstStartDefaults();
    void WriteSettings();

    CQuantSign& m_quantSign;
    QMdiArea* m_pMdiArea;
    CMainStatusBar* m_pStatusBar;
    QToolBar* m_pToolBar = nullptr;
    QMenu* m_pFileMenu = nullptr;
    QMenu* m_pWindowMenu = nullptr;
    QList<QAction*> m_windowActions; // one for each open window, after the window commands
    CPaletteDock* m_pPaletteDock = nullptr;
    bool m_bSyncing = false; // views are being aligned: their own signals wait
    CompareMode m_compareBeforeKey = CompareMode::Off;
    bool m_bCompareKeyHeld = false; // the compare key repeats: it is being held
    QList<QAction*> m_recentActions;
    std::unique_ptr<COpenFileDialog> m_pOpenDlg;
    std::unique_ptr<CSaveFileDialog> m_pSaveDlg;
    std::unique_ptr<CSaveFileDialog> m_pPaletteDlg; // Save palette as
    CControllPanel m_wndControlPanel;
    CRecentFileList m_recentFiles;
    PluginHost m_pluginHost;
    QSize m_sizeNewDoc{0, 0}; // the size the next new image document takes
    int m_nShowCmd = 1;       // how the first showing presents the window (1 normal, 3 maximised)
    int m_nNewCount = 0;      // numbers the titles of new empty pictures
    bool m_bCreated = false;
    bool m_bSettingsRefused = false; // the settings file is not one to read or rewrite
};
