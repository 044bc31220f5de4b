#include "desktop/main_frame.h"

#include "desktop/about_dlg.h"
#include "desktop/app_icon.h"
#include "desktop/batch_view.h"
#include "desktop/child_frame.h"
#include "desktop/clipboard.h"
#include "desktop/commands.h"
#include "desktop/document_messages.h"
#include "desktop/file_dialogs.h"
#include "desktop/korvo_view.h"
#include "desktop/main_status_bar.h"
#include "desktop/new_type_dialog.h"
#include "desktop/palette_dock.h"
#include "desktop/quant_sign.h"
#include "desktop/susie_dialog.h"
#include "desktop/user_notice.h"
#include "desktop/wait_cursor.h"
#include "document/batch_doc.h"
#include "document/korvo_doc.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QToolBar>
#include <functional>

CMainFrame::CMainFrame(CQuantSign& runState) : m_quantSign(runState), m_wndControlPanel(this) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(QStringLiteral("xKorvo"));
    setWindowIcon(AppIcon());
    // A first start gets three quarters of the screen; the settings file keeps the user's size.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        resize(screen->availableSize() * 3 / 4);
    m_pMdiArea = new QMdiArea(this);
    m_pMdiArea->setObjectName(QStringLiteral("mdiArea"));
    m_pMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_pMdiArea);
    m_pStatusBar = new CMainStatusBar(this);
    setStatusBar(m_pStatusBar);

    CreateCommands();
    CreateMenus();
    CreateToolBar();
    CreateViewTools();
    ConnectCommands();

    m_pOpenDlg = std::make_unique<COpenFileDialog>(this);
    m_pSaveDlg = std::make_unique<CSaveFileDialog>(this);
    const QString filter = QStringLiteral("All files (*.*)|*.*|BMP files (*.bmp)|*.bmp");
    m_pOpenDlg->m_strFilter = filter;
    m_pSaveDlg->m_strFilter =
        filter + QStringLiteral("|PNG files (*.png)|*.png|GIF files (*.gif)|*.gif");
    m_pOpenDlg->m_strDefExt = QStringLiteral("bmp");
    m_pSaveDlg->m_strDefExt = QStringLiteral("bmp");
    m_pOpenDlg->m_nFilterIndex = 1;
    m_pSaveDlg->m_nFilterIndex = 2;

    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, [this] {
        UpdateCommandUI();
        UpdateTitle();
    });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &CMainFrame::UpdateCommandUI);
    UpdateCommandUI();
}

CMainFrame::~CMainFrame() {
    if (m_bCreated)
        WriteSettings();
    // Documents go before the frame's members they might reach, without calling back into a
    // frame that is being destroyed; closed windows still waiting for deletion are included.
    for (QMdiSubWindow* sub : m_pMdiArea->findChildren<QMdiSubWindow*>()) {
        disconnect(sub, nullptr, this, nullptr);
        delete sub;
    }
}

QAction* CMainFrame::Action(const QString& name) const {
    return findChild<QAction*>(name);
}

void CMainFrame::CreateCommands() {
    for (const CommandInfo& cmd : CommandTable()) {
        auto* action = new QAction(cmd.text, this);
        action->setObjectName(QString::fromLatin1(cmd.name));
        action->setStatusTip(PromptOf(cmd.prompt));
        const QString tip = TipOf(cmd.prompt);
        action->setToolTip(tip.isEmpty() ? PromptOf(cmd.prompt) : tip);
        action->setShortcuts(cmd.keys);
        addAction(action); // window-wide shortcuts, also for commands without a menu item
    }
    SetCommandIcons();
    // Both bars start shown.
    for (const char* toggle : {"actionToolbar", "actionStatusBar"}) {
        Action(QString::fromLatin1(toggle))->setCheckable(true);
        Action(QString::fromLatin1(toggle))->setChecked(true);
    }
    for (const char* toggle :
         {"actionCompare", "actionCompareSplit", "actionSyncViews", "actionPaletteView"})
        Action(QString::fromLatin1(toggle))->setCheckable(true);
}

// Drawn icons take the application palette's colours; a new palette draws them again.
void CMainFrame::SetCommandIcons() {
    for (const CommandInfo& cmd : CommandTable()) {
        const QIcon icon =
            CommandIcon(QString::fromLatin1(cmd.theme), QString::fromLatin1(cmd.name));
        if (!icon.isNull())
            Action(QString::fromLatin1(cmd.name))->setIcon(icon);
    }
}

// Every command and the one object that handles it: the main window for files, windows, the
// program and the run (Reduce colors starts a CQuantRun that reports back through its signals,
// main_frame_run.cpp); the active picture window's view for what concerns the picture it shows.
// The recent-file entries of the File menu open their files through OpenRecentFile (CreateMenus).
void CMainFrame::ConnectCommands() {
    // A command for the view of the active picture window; nothing when a batch window is active.
    auto activeView = [this](void (CKorvoView::*handler)()) {
        return [this, handler] {
            if (CKorvoView* view = ActiveImageView())
                (view->*handler)();
        };
    };
    const std::pair<const char*, std::function<void()>> commands[] = {
        {"actionNew", [this] { OnFileNew(); }},
        {"actionOpen", [this] { OpenFiles(); }},
        {"actionClose", [this] { OnFileClose(); }},
        {"actionSaveAs", [this] { OnFileSaveAs(); }},
        {"actionSavePalette", [this] { OnSavePalette(); }},
        {"actionProperties", [this] { OnShowProperties(); }},
        {"actionPluginSettings", [this] { OnPluginSettings(); }},
        {"actionExit", [this] { close(); }},
        {"actionReduce", [this] { OnReduce(); }},
        {"actionReduceAll", [this] { OnReduceAll(); }},
        {"actionCancel", [this] { OnCancel(); }},
        {"actionCopy", activeView(&CKorvoView::OnCopy)},
        {"actionPaste", [this] { OnPaste(); }},
        {"actionZoomIn", activeView(&CKorvoView::OnZoomIn)},
        {"actionZoomOut", activeView(&CKorvoView::OnZoomOut)},
        {"actionActualView", activeView(&CKorvoView::OnActualView)},
        {"actionCascade", [this] { OnWindowCascade(); }},
        {"actionTileHorizontally", [this] { OnWindowTileHorizontally(); }},
        {"actionTileVertically", [this] { OnWindowTileVertically(); }},
        {"actionArrangeIcons", [this] { OnWindowArrangeIcons(); }},
        {"actionCloseAll", [this] { OnCloseAll(); }},
        {"actionAbout", [this] { OnAppAbout(); }},
        {"actionCompare", [this] { OnCompare(CompareMode::Original); }},
        {"actionCompareSplit", [this] { OnCompare(CompareMode::Split); }},
        {"actionSyncViews", [this] { SyncViews(ActiveImageView()); }},
        {"actionFitToWindow", activeView(&CKorvoView::OnFitToWindow)},
        {"actionNextWindow", [this] { m_pMdiArea->activateNextSubWindow(); }},
        {"actionPreviousWindow", [this] { m_pMdiArea->activatePreviousSubWindow(); }},
    };
    for (const auto& [name, handler] : commands)
        connect(Action(QString::fromLatin1(name)), &QAction::triggered, this, handler);
    // The two bar toggles show and hide their bars, which the main window owns.
    connect(Action(QStringLiteral("actionToolbar")), &QAction::toggled, m_pToolBar,
            &QWidget::setVisible);
    connect(Action(QStringLiteral("actionStatusBar")), &QAction::toggled, m_pStatusBar,
            &QWidget::setVisible);
    connect(Action(QStringLiteral("actionPaletteView")), &QAction::toggled, m_pPaletteDock,
            &QWidget::setVisible);
}

void CMainFrame::CreateMenus() {
    auto add = [this](QMenu* menu, const char* name) {
        menu->addAction(Action(QString::fromLatin1(name)));
    };
    m_pFileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    m_pFileMenu->setObjectName(QStringLiteral("menuFile"));
    add(m_pFileMenu, "actionOpen");
    add(m_pFileMenu, "actionClose");
    add(m_pFileMenu, "actionSaveAs");
    add(m_pFileMenu, "actionSavePalette");
    add(m_pFileMenu, "actionProperties");
    m_pFileMenu->addSeparator();
    add(m_pFileMenu, "actionPluginSettings");
    m_pFileMenu->addSeparator();
    // The recent files sit between two separators; entries are rebuilt as the list changes.
    auto* placeholder = new QAction(QStringLiteral("Recent files list"), this);
    placeholder->setObjectName(QStringLiteral("actionRecentFiles"));
    placeholder->setStatusTip(QStringLiteral("The designated file is opened"));
    placeholder->setEnabled(false);
    m_pFileMenu->addAction(placeholder);
    for (int i = 0; i < 10; ++i) {
        auto* action = new QAction(this);
        action->setObjectName(QStringLiteral("actionRecentFile%1").arg(i + 1));
        action->setStatusTip(QStringLiteral("The designated file is opened"));
        action->setVisible(false);
        connect(action, &QAction::triggered, this, [this, i] { OpenRecentFile(i); });
        m_pFileMenu->addAction(action);
        m_recentActions << action;
    }
    m_pFileMenu->addSeparator();
    add(m_pFileMenu, "actionExit");

    QMenu* edit = menuBar()->addMenu(QStringLiteral("Compil&e"));
    edit->setObjectName(QStringLiteral("menuEdit"));
    add(edit, "actionReduce");
    add(edit, "actionReduceAll");
    add(edit, "actionCancel");
    edit->addSeparator();
    add(edit, "actionCopy");
    add(edit, "actionPaste");

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("menuView"));
    add(view, "actionZoomIn");
    add(view, "actionZoomOut");
    add(view, "actionActualView");
    add(view, "actionFitToWindow");
    view->addSeparator();
    add(view, "actionCompare");
    add(view, "actionCompareSplit");
    add(view, "actionSyncViews");
    view->addSeparator();
    add(view, "actionToolbar");
    add(view, "actionStatusBar");
    add(view, "actionPaletteView");

    QMenu* window = menuBar()->addMenu(QStringLiteral("&Window"));
    window->setObjectName(QStringLiteral("menuWindow"));
    add(window, "actionCascade");
    add(window, "actionTileHorizontally");
    add(window, "actionTileVertically");
    add(window, "actionArrangeIcons");
    add(window, "actionCloseAll");
    window->addSeparator();
    add(window, "actionNextWindow");
    add(window, "actionPreviousWindow");
    window->addSeparator(); // the open windows follow (RebuildWindowMenu)
    m_pWindowMenu = window;

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("menuHelp"));
    add(help, "actionAbout");
}

void CMainFrame::CreateToolBar() {
    m_pToolBar = addToolBar(QStringLiteral("Toolbar"));
    m_pToolBar->setObjectName(QStringLiteral("toolBar"));
    m_pToolBar->setIconSize(QSize(20, 20));
    m_pToolBar->setMovable(true);
    const char* order[] = {"actionOpen",    "actionSaveAs", nullptr,        "actionCopy",
                           "actionPaste",   nullptr,        "actionZoomIn", "actionActualView",
                           "actionZoomOut", nullptr,        "actionReduce", "actionReduceAll",
                           "actionCancel"};
    for (const char* name : order) {
        if (name)
            m_pToolBar->addAction(Action(QString::fromLatin1(name)));
        else
            m_pToolBar->addSeparator();
    }
    // Fit to window joins the zoom buttons; the two compare buttons form a group of their own.
    QAction* reduce = Action(QStringLiteral("actionReduce"));
    const QList<QAction*> placed = m_pToolBar->actions();
    m_pToolBar->insertAction(placed.at(placed.indexOf(reduce) - 1),
                             Action(QStringLiteral("actionFitToWindow")));
    m_pToolBar->insertAction(reduce, Action(QStringLiteral("actionCompare")));
    m_pToolBar->insertAction(reduce, Action(QStringLiteral("actionCompareSplit")));
    m_pToolBar->insertSeparator(reduce);
    // The menu's check follows the bar, also when the user hides it from its context menu.
    QAction* toggle = Action(QStringLiteral("actionToolbar"));
    connect(m_pToolBar, &QToolBar::visibilityChanged, toggle, [this, toggle](bool visible) {
        if (!isHidden() || visible)
            toggle->setChecked(visible);
    });
}

void CMainFrame::RebuildRecentMenu() {
    const QStringList& files = m_recentFiles.Files();
    Action(QStringLiteral("actionRecentFiles"))->setVisible(files.isEmpty());
    for (int i = 0; i < m_recentActions.size(); ++i) {
        QAction* action = m_recentActions[i];
        if (i < files.size()) {
            QString label = files[i];
            label.replace(QLatin1Char('&'), QStringLiteral("&&"));
            action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(label));
            action->setVisible(true);
        } else {
            action->setVisible(false);
        }
    }
}

void CMainFrame::OpenRecentFile(int index) {
    if (index < 0 || index >= m_recentFiles.Files().size())
        return;
    const QString path = m_recentFiles.Files()[index];
    if (!OpenDocumentFile(path) && !QFileInfo::exists(path)) {
        m_recentFiles.Remove(index); // a file that is gone leaves the list
        RebuildRecentMenu();
    }
}

namespace {
// The picture document a window shows; nullptr for a batch window or none.
CKorvoDoc* ImageDocumentOf(QMdiSubWindow* sub) {
    auto* frame = qobject_cast<CChildFrame*>(sub);
    if (!frame || !frame->GetDocument()->IsImageDocument())
        return nullptr;
    return static_cast<CKorvoDoc*>(frame->GetDocument());
}
} // namespace

CKorvoDoc* CMainFrame::ActiveImageDocument() const {
    return ImageDocumentOf(m_pMdiArea->activeSubWindow());
}

CKorvoView* CMainFrame::ActiveImageView() const {
    QMdiSubWindow* sub = m_pMdiArea->activeSubWindow();
    return sub ? qobject_cast<CKorvoView*>(sub->widget()) : nullptr;
}

void CMainFrame::UpdateCommandUI() {
    QMdiSubWindow* active = m_pMdiArea->activeSubWindow();
    const CKorvoDoc* doc = ActiveImageDocument();
    const CKorvoView* view = ActiveImageView();
    const bool running = m_quantSign.m_bRunning;
    // A batch window's log never takes a picture.
    const bool batchActive = active && qobject_cast<CBatchView*>(active->widget());
    const CBatchView* batchView = active ? qobject_cast<CBatchView*>(active->widget()) : nullptr;
    const CBatchDoc* batch = batchView ? batchView->GetDocument() : nullptr;
    const std::pair<const char*, bool> enabled[] = {
        {"actionClose", active != nullptr},
        {"actionCloseAll", active != nullptr},
        {"actionSaveAs", doc != nullptr},
        {"actionProperties", doc != nullptr},
        {"actionSavePalette", doc && !doc->m_canReduce && !doc->m_palette.empty()},
        {"actionReduce", !running && doc && doc->m_canReduce},
        {"actionCancel", running},
        {"actionReduceAll", !running && batch && !batch->m_fileList.isEmpty()},
        {"actionPluginSettings", !running}, // a batch reads pictures through the plug-ins
        {"actionCopy", doc && doc->HasDib()},
        {"actionPaste", !batchActive && ClipboardHasPicture()},
        {"actionZoomIn", view && view->CanZoomIn()},
        {"actionZoomOut", view && view->CanZoomOut()},
        {"actionActualView", view != nullptr},
        {"actionFitToWindow", view != nullptr},
        {"actionCompare", view && view->CanCompare()},
        {"actionCompareSplit", view && view->CanCompare()},
        {"actionNextWindow", active != nullptr},
        {"actionPreviousWindow", active != nullptr},
    };
    for (const auto& [name, on] : enabled)
        Action(QString::fromLatin1(name))->setEnabled(on);
    const CompareMode compare = view ? view->GetCompareMode() : CompareMode::Off;
    Action(QStringLiteral("actionCompare"))->setChecked(compare == CompareMode::Original);
    Action(QStringLiteral("actionCompareSplit"))->setChecked(compare == CompareMode::Split);
}

void CMainFrame::UpdateTitle() {
    QMdiSubWindow* active = m_pMdiArea->activeSubWindow();
    setWindowTitle(active ? QStringLiteral("xKorvo - ") + active->windowTitle()
                          : QStringLiteral("xKorvo"));
    RebuildWindowMenu(); // it lists the windows by title
}

std::unique_ptr<CKorvoDoc> CMainFrame::ReadDocument(const QString& path) {
    auto doc = std::make_unique<CKorvoDoc>();
    PictureLoadResult loaded;
    {
        CWaitCursor wait;
        loaded = doc->Open(m_pluginHost, path);
    }
    if (!doc->HasDib()) {
        ReportOpenFailure(QApplication::activeWindow(), path, loaded);
        return nullptr;
    }
    m_recentFiles.Add(doc->GetPathName());
    RebuildRecentMenu();
    // The window shows more kinds of pictures than a run can unpack; the user learns it now
    // rather than from a refused run.
    const QString reason = doc->CannotReduceReason();
    m_pStatusBar->SetNote(reason.isEmpty() ? QString()
                                           : QStringLiteral("%1 can be shown, but its colors "
                                                            "cannot be reduced: %2")
                                                 .arg(doc->GetTitle(), reason));
    return doc;
}

CKorvoDoc* CMainFrame::OpenDocumentFile(const QString& path) {
    const QString abs = QFileInfo(path).absoluteFilePath();
    for (QMdiSubWindow* sub : m_pMdiArea->subWindowList()) {
        if (CKorvoDoc* open = ImageDocumentOf(sub); open && open->GetPathName() == abs) {
            m_pMdiArea->setActiveSubWindow(sub);
            return open;
        }
    }
    auto doc = ReadDocument(abs);
    if (!doc)
        return nullptr;
    CKorvoDoc* raw = doc.get();
    AddImageDocument(std::move(doc));
    return raw;
}

void CMainFrame::OpenFiles() {
    m_pOpenDlg->m_strFileName.clear();
    if (!m_pOpenDlg->RunOpenDialog())
        return;
    const QStringList files = m_pOpenDlg->m_fileList;
    if (files.size() >= 2)
        OpenBatch(files);
    else if (auto doc = ReadDocument(files.first()))
        AddImageDocument(std::move(doc)); // a new window even when the file is open already
}

void CMainFrame::OpenBatch(const QStringList& files) {
    auto doc = std::make_unique<CBatchDoc>();
    auto* view = new CBatchView(doc.get());
    view->OnInitialUpdate();
    if (!files.isEmpty()) {
        doc->SetFileList(files);
        doc->SetPathName(QStringLiteral("Batch")); // not a recent file
    } else {
        doc->SetTitle(QStringLiteral("xKorvo"));
    }
    AddDocumentWindow(std::move(doc), view);
}

CChildFrame* CMainFrame::AddDocumentWindow(std::unique_ptr<CDocument> doc, QWidget* view) {
    auto* frame = new CChildFrame(std::move(doc), view);
    m_pMdiArea->addSubWindow(frame);
    connect(frame, &QObject::destroyed, this, [this] {
        UpdateCommandUI();
        UpdateTitle();
    });
    connect(frame, &QWidget::windowTitleChanged, this, [this] { UpdateTitle(); });
    frame->show();
    m_pMdiArea->setActiveSubWindow(frame);
    UpdateCommandUI();
    UpdateTitle();
    return frame;
}

CChildFrame* CMainFrame::AddImageDocument(std::unique_ptr<CKorvoDoc> doc) {
    auto* view = new CKorvoView(doc.get());
    connect(view, &CKorvoView::ZoomChanged, this, &CMainFrame::UpdateCommandUI);
    ConnectView(view);
    CChildFrame* frame = AddDocumentWindow(std::move(doc), view);
    view->OnInitialUpdate();
    return frame;
}

// New: the user chooses between a picture and a batch window.
void CMainFrame::OnFileNew() {
    CNewTypeDialog dialog(this);
    if (RunModalDialog(dialog) != QDialog::Accepted)
        return;
    if (dialog.GetChoice() == CNewTypeDialog::Image)
        NewImageDocument();
    else
        OpenBatch({});
}

void CMainFrame::NewImageDocument() {
    auto doc = std::make_unique<CKorvoDoc>();
    doc->OnNewDocument(m_sizeNewDoc);
    doc->SetTitle(QStringLiteral("xKorvo%1").arg(++m_nNewCount));
    AddImageDocument(std::move(doc));
}

void CMainFrame::OnFileClose() {
    if (QMdiSubWindow* sub = m_pMdiArea->activeSubWindow())
        sub->close(); // refused by the window while its document must stay open
}

void CMainFrame::OnFileSaveAs() {
    CKorvoDoc* doc = ActiveImageDocument();
    if (!doc)
        return;
    // The file name without folder and extension is proposed; the document keeps its own path
    // and title whatever the user chooses.
    m_pSaveDlg->m_strFileName = doc->GetPathName().isEmpty()
                                    ? doc->GetTitle()
                                    : QFileInfo(doc->GetPathName()).completeBaseName();
    // A picture read from a file (or a result of one) is saved beside it unless told otherwise.
    if (QFileInfo(doc->GetPathName()).isFile())
        m_pSaveDlg->m_strInitialDir = StripFileName(doc->GetPathName());
    if (!m_pSaveDlg->RunSaveDialog())
        return;
    const QString path = m_pSaveDlg->m_strFileName;
    // The typed extension names the format, else the filter chosen; BMP when neither does.
    PictureOptions options = m_wndControlPanel.GetPictureOptions();
    const auto typed = PictureFormatNamed(QFileInfo(path).suffix().toStdString());
    const auto chosen = PictureFormatNamed(m_pSaveDlg->ChosenExtension().toStdString());
    options.format = typed ? *typed : chosen.value_or(PictureFormat::Bmp);
    PictureSaveResult saved;
    {
        CWaitCursor wait;
        saved = doc->Save(path, options);
    }
    ReportSaveFailure(path, saved);
}

void CMainFrame::OnShowProperties() {
    if (CKorvoDoc* doc = ActiveImageDocument()) {
        if (const std::optional<PictureProperties> properties = doc->Properties())
            ShowPictureProperties(QApplication::activeWindow(), *properties);
    }
}

void CMainFrame::OnPluginSettings() {
    CSusieDialog dialog(RegistryOf(m_pluginHost), this);
    (void)RunModalDialog(dialog);
}

void CMainFrame::OnPaste() {
    PastedDib pasted;
    {
        CWaitCursor wait;
        pasted = PasteDibFromClipboard();
    }
    if (!pasted.dib) {
        ReportPasteFailure(this, pasted.status);
        return;
    }
    m_sizeNewDoc = QSize(DibGetWidth(pasted.dib.data()), DibGetHeight(pasted.dib.data()));
    auto doc = std::make_unique<CKorvoDoc>();
    doc->OnNewDocument(m_sizeNewDoc);
    doc->SetPathName(QStringLiteral("Clipboard")); // a path in the current folder, titled Clipboard
    doc->SetDib(std::move(pasted.dib));
    AddImageDocument(std::move(doc));
}

void CMainFrame::OnWindowCascade() {
    m_pMdiArea->cascadeSubWindows();
    // Image windows then fit their pictures again; other windows keep the cascade size.
    for (QMdiSubWindow* sub : m_pMdiArea->subWindowList())
        if (auto* view = qobject_cast<CKorvoView*>(sub->widget()))
            view->ResizeParentToFit();
}

namespace {
// Lays the visible, not minimised windows out in equal strips, across or down the area.
void Tile(QMdiArea* area, bool stacked) {
    QList<QMdiSubWindow*> subs;
    for (QMdiSubWindow* sub : area->subWindowList())
        if (sub->isVisible() && !sub->isMinimized())
            subs << sub;
    if (subs.isEmpty())
        return;
    const QRect r = area->viewport()->rect();
    const int n = int(subs.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* sub = subs[i];
        if (sub->isMaximized())
            sub->showNormal();
        if (stacked)
            sub->setGeometry(0, r.height() * i / n, r.width(),
                             r.height() * (i + 1) / n - r.height() * i / n);
        else
            sub->setGeometry(r.width() * i / n, 0, r.width() * (i + 1) / n - r.width() * i / n,
                             r.height());
    }
}
} // namespace

void CMainFrame::OnWindowTileHorizontally() {
    Tile(m_pMdiArea, true);
}
void CMainFrame::OnWindowTileVertically() {
    Tile(m_pMdiArea, false);
}

void CMainFrame::OnWindowArrangeIcons() {
    // Minimised windows in a row along the bottom edge of the area.
    const QRect r = m_pMdiArea->viewport()->rect();
    int x = 0;
    for (QMdiSubWindow* sub : m_pMdiArea->subWindowList()) {
        if (!sub->isMinimized())
            continue;
        sub->move(x, r.height() - sub->height());
        x += sub->width();
    }
}

void CMainFrame::OnCloseAll() {
    for (QMdiSubWindow* sub : m_pMdiArea->subWindowList())
        if (const CKorvoDoc* doc = ImageDocumentOf(sub); doc && doc->CanCloseFrame())
            sub->close();
}

void CMainFrame::OnAppAbout() {
    CAboutDlg dlg(this);
    RunModalDialog(dlg);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // No save prompts: documents are never modified. A run under way keeps the program alive.
    if (m_quantSign.m_bRunning) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    for (const QUrl& url : urls)
        if (url.isLocalFile())
            OpenDocumentFile(url.toLocalFile());
}
