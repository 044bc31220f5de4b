// The main frame's side of the settings file: read once when the frame is created, through the
// version gate, and written once when it is destroyed.
#include "desktop/about_dlg.h"
#include "desktop/file_dialogs.h"
#include "desktop/main_frame.h"
#include "desktop/my_status_bar.h"
#include "desktop/user_notice.h"
#include "desktop/ver_res.h"
#include "pluginhost/plugin_registry.h"
#include "settings/settings_file.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>

namespace {

// Show states as the settings file stores them.
constexpr int kShowNormal = 1, kShowMinimized = 2, kShowMaximized = 3;

QString RunningVersion() {
    CVerRes ver;
    ver.Load();
    return ver.GetVersionString();
}

} // namespace

bool CMainFrame::Create() {
    QSettings settings(SettingsFilePath(), QSettings::IniFormat);
    m_recentFiles.ReadList(settings);
    RebuildRecentMenu();

    const QString stored = settings.value(QStringLiteral("Infomation/version")).toString();
    const QString running = RunningVersion();
    // Only a file written by exactly this version is trusted; an empty running version (no
    // version record) trusts nothing.
    if (!running.isEmpty() && stored == running)
        ReadSettings(settings);
    else
        SetFirstStartDefaults();

    setAcceptDrops(true);
    LoadPlugins();
    m_bCreated = true;
    return true;
}

void CMainFrame::ReadSettings(QSettings& s) {
    const int left = s.value(QStringLiteral("ViewSettings/left"), 0).toInt();
    const int top = s.value(QStringLiteral("ViewSettings/top"), 0).toInt();
    const int right = s.value(QStringLiteral("ViewSettings/right"), 0).toInt();
    const int bottom = s.value(QStringLiteral("ViewSettings/bottom"), 0).toInt();
    // An empty rectangle would make the window vanish; it keeps the default placement then.
    if (right > left && bottom > top)
        setGeometry(left, top, right - left, bottom - top);
    m_nShowCmd = s.value(QStringLiteral("ViewSettings/style"), kShowNormal).toInt();

    if (m_loadPanelSettings)
        m_loadPanelSettings(s);

    const QByteArray bars = s.value(QStringLiteral("BarStatus/State")).toByteArray();
    if (!bars.isEmpty())
        restoreState(bars);
    const bool statusVisible = s.value(QStringLiteral("BarStatus/StatusBar"), true).toBool();
    Action(QStringLiteral("actionStatusBar"))->setChecked(statusVisible);
    StatusBar()->setVisible(statusVisible);
    Action(QStringLiteral("actionToolbar"))->setChecked(!ToolBar()->isHidden());

    OpenDialog().m_strInitialDir = s.value(QStringLiteral("FileOperation/OpenDir")).toString();
    SaveDialog().m_strInitialDir = s.value(QStringLiteral("FileOperation/SaveDir")).toString();
    g_strPluginPath = s.value(QStringLiteral("FileOperation/PluginPath")).toString();
}

void CMainFrame::SetFirstStartDefaults() {
    CAboutDlg about(this);
    RunModalDialog(about);
    OpenDialog().m_strInitialDir.clear();
    SaveDialog().m_strInitialDir.clear();
    g_strPluginPath = DefaultPluginFolder();
    const QByteArray fromEnv = qgetenv("SUSIE_PLUGIN_PATH");
    if (!fromEnv.isEmpty())
        g_strPluginPath = QString::fromLocal8Bit(fromEnv);
}

void CMainFrame::ShowWithStoredState() {
    switch (m_nShowCmd) {
    case kShowMaximized:
        showMaximized();
        break;
    case kShowMinimized:
        showMinimized();
        break;
    default: // a hidden main window could never be reached again: shown normally
        show();
        break;
    }
}

void CMainFrame::WriteSettings() {
    const QString path = SettingsFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings s(path, QSettings::IniFormat);
    s.setValue(QStringLiteral("Infomation/version"), RunningVersion());

    const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    s.setValue(QStringLiteral("ViewSettings/left"), normal.left());
    s.setValue(QStringLiteral("ViewSettings/top"), normal.top());
    s.setValue(QStringLiteral("ViewSettings/right"), normal.left() + normal.width());
    s.setValue(QStringLiteral("ViewSettings/bottom"), normal.top() + normal.height());
    s.setValue(QStringLiteral("ViewSettings/style"), isMaximized()   ? kShowMaximized
                                                     : isMinimized() ? kShowMinimized
                                                                     : kShowNormal);

    if (m_savePanelSettings)
        m_savePanelSettings(s);

    s.setValue(QStringLiteral("BarStatus/State"), saveState());
    s.setValue(QStringLiteral("BarStatus/StatusBar"), !StatusBar()->isHidden());

    s.setValue(QStringLiteral("FileOperation/OpenDir"), OpenDialog().m_strInitialDir);
    s.setValue(QStringLiteral("FileOperation/SaveDir"), SaveDialog().m_strInitialDir);
    s.setValue(QStringLiteral("FileOperation/PluginPath"), g_strPluginPath);
    m_recentFiles.WriteList(s);
    s.sync();

    UnloadPlugins();
}
