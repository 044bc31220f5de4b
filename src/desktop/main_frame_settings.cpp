// The main frame's side of the settings file: read once when the frame is created, through the
// version gate, and written once when it is destroyed. Writing edits the file's text: only the
// keys the program owns change, everything else stays byte for byte.
#include "desktop/about_dlg.h"
#include "desktop/file_dialogs.h"
#include "desktop/main_frame.h"
#include "desktop/main_status_bar.h"
#include "desktop/user_notice.h"
#include "desktop/version_info.h"
#include "pluginhost/plugin_registry.h"
#include "settings/ini_text.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>
#include <limits>

namespace {

using namespace settings;

// Show states as the settings file stores them.
constexpr int kShowNormal = 1, kShowMinimized = 2, kShowMaximized = 3;

int Saturated(qint64 value) {
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(),
                                  std::numeric_limits<int>::max()));
}

// Whether the rectangle at left, top of width x height shows any part on `area`; in 64 bits,
// since the stored edges may be anything an int holds.
bool Overlaps(qint64 left, qint64 top, qint64 width, qint64 height, const QRect& area) {
    return left < qint64(area.x()) + area.width() && left + width > area.x() &&
           top < qint64(area.y()) + area.height() && top + height > area.y();
}

} // namespace

bool CMainFrame::Create() {
    const SettingsFileText file = ReadSettingsFile();
    m_bSettingsRefused = file.state == SettingsFileText::State::Refused;
    const IniText settings(file.text);
    m_recentFiles.ReadList(settings);
    RebuildRecentMenu();

    // Only a file written by exactly this version is trusted; an empty running version (no
    // version record) trusts nothing.
    if (SettingsTrusted(settings, RunningVersion()))
        ReadSettings(settings);
    else
        SetFirstStartDefaults();
    if (m_bSettingsRefused) {
        ShowPassingNotice(this,
                          QStringLiteral("The %1.\nThe built-in settings are used, and the file "
                                         "is left as it is.")
                              .arg(SettingsRefusalText(file)),
                          NoticeIcon::Warning);
    }

    setAcceptDrops(true);
    m_pluginHost.Load();
    m_bCreated = true;
    return true;
}

void CMainFrame::ReadSettings(const IniText& s) {
    PlaceWindow(ReadInt(s, kLeft), ReadInt(s, kTop), ReadInt(s, kRight), ReadInt(s, kBottom));
    m_nShowCmd = ReadInt(s, kStyle);

    m_wndControlPanel.LoadSettings(s);

    const auto bars = QByteArray::fromBase64Encoding(ReadText(s, kBarState).toLatin1(),
                                                     QByteArray::AbortOnBase64DecodingErrors);
    if (bars && !bars.decoded.isEmpty())
        restoreState(bars.decoded);
    const bool statusVisible = ReadInt(s, kStatusBar) != 0;
    Action(QStringLiteral("actionStatusBar"))->setChecked(statusVisible);
    StatusBar()->setVisible(statusVisible);
    Action(QStringLiteral("actionToolbar"))->setChecked(!ToolBar()->isHidden());

    OpenDialog().m_strInitialDir = ReadText(s, kOpenDir);
    SaveDialog().m_strInitialDir = ReadText(s, kSaveDir);
    m_pluginHost.SetFolder(ReadText(s, kPluginPath));
}

void CMainFrame::PlaceWindow(int left, int top, int right, int bottom) {
    const qint64 width = qint64(right) - left, height = qint64(bottom) - top;
    // An empty rectangle would make the window vanish; it keeps the default placement then.
    if (width <= 0 || height <= 0)
        return;
    const int w = int(std::min<qint64>(width, QWIDGETSIZE_MAX));
    const int h = int(std::min<qint64>(height, QWIDGETSIZE_MAX));
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (Overlaps(left, top, w, h, screen->availableGeometry())) {
            setGeometry(left, top, w, h);
            return;
        }
    }
    // Off every screen (one that is gone, or edges no screen has): onto the primary screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        resize(std::min(w, area.width()), std::min(h, area.height()));
        move(area.topLeft());
    }
}

void CMainFrame::SetFirstStartDefaults() {
    CAboutDlg about(this);
    RunModalDialog(about);
    OpenDialog().m_strInitialDir.clear();
    SaveDialog().m_strInitialDir.clear();
    m_pluginHost.SetFolder(FirstStartPluginFolder());
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
    // Read again: the plug-in settings dialog may have rewritten the "Plugins" section since.
    const SettingsFileText file = m_bSettingsRefused
                                      ? SettingsFileText{SettingsFileText::State::Refused, {}, {}}
                                      : ReadSettingsFile();
    if (file.state != SettingsFileText::State::Refused) {
        IniText s(file.text);
        WriteText(s, kVersion, RunningVersion());

        const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
        WriteInt(s, kLeft, normal.left());
        WriteInt(s, kTop, normal.top());
        WriteInt(s, kRight, Saturated(qint64(normal.left()) + normal.width()));
        WriteInt(s, kBottom, Saturated(qint64(normal.top()) + normal.height()));
        WriteInt(s, kStyle,
                 isMaximized()   ? kShowMaximized
                 : isMinimized() ? kShowMinimized
                                 : kShowNormal);

        m_wndControlPanel.SaveSettings(s);

        WriteText(s, kBarState, QString::fromLatin1(saveState().toBase64()));
        WriteInt(s, kStatusBar, StatusBar()->isHidden() ? 0 : 1);

        WriteText(s, kOpenDir, OpenDialog().m_strInitialDir);
        WriteText(s, kSaveDir, SaveDialog().m_strInitialDir);
        WriteText(s, kPluginPath, m_pluginHost.Folder());
        m_recentFiles.WriteList(s);
        // An unchanged file is not touched at all.
        if (file.state == SettingsFileText::State::Missing || s.Text() != file.text)
            (void)ReplaceSettingsFile(s.Text());
    }

    m_pluginHost.Unload();
}
