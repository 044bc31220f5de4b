// What the desktop tests share: a recorder that takes the place of message boxes, beeps and modal
// dialogs, and a session that starts the program the way a user does, offscreen, with its own
// settings folder and a folder for the files a test makes.
#pragma once

#include "desktop/korvo_app.h"
#include "desktop/main_frame.h"
#include "desktop/quant_sign.h"
#include "desktop/user_notice.h"
#include "desktop/version_info.h"
#include "image/dib.h"

#include <QAction>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QVariantMap>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class CControllPanel;
class CKorvoView;
class QDialog;

// Records every message and beep instead of showing it. A modal dialog with an answer for its
// object name is shown, answered and accepted; one without an answer is cancelled.
class NoticeRecorder {
public:
    NoticeRecorder();
    ~NoticeRecorder();

    QStringList Messages() const;
    int Beeps(NoticeIcon icon) const;
    QStringList Dialogs() const { return m_dialogs; } // object names of the dialogs run
    void Clear();

    std::map<QString, std::function<void(QDialog&)>> m_answers;

private:
    QList<Notice> m_notices;
    QStringList m_dialogs;
};

// One program session. Its end cancels a run a failed test left behind, ends the program and
// restores the system's dialogs.
class DesktopSession {
public:
    DesktopSession();
    ~DesktopSession();

    // Starts the program on the settings file as it is; nullptr when it would end.
    CMainFrame* Start();
    // Writes a settings file of this version (no about box) that loads no plug-ins unless
    // `pluginPath` names a folder, with the control panel at its built-in values, then starts.
    CMainFrame* StartTrusted(const QString& pluginPath = QString());
    void End(); // the program writes its settings file

    // Writes a file into the files folder (or at an absolute path) and gives its path.
    QString File(const QString& name, const QByteArray& bytes);
    QString File(const QString& name, const std::vector<std::uint8_t>& bytes);
    QAction* Action(const char* name) const { return frame->Action(QString::fromLatin1(name)); }
    QList<QMdiSubWindow*> Windows() const { return frame->MdiArea()->subWindowList(); }
    CDocument* DocumentOf(QMdiSubWindow* window) const;
    CQuantSign& RunState() { return app->RunState(); }
    // The control panel is answered with `setUp`, then OK.
    void AnswerPanel(std::function<void(CControllPanel&)> setUp = {});
    bool WaitForRunEnd(); // false when the run goes on for two minutes

    QTemporaryDir config, files;
    NoticeRecorder rec;
    std::unique_ptr<CKorvoApp> app;
    CMainFrame* frame = nullptr;
};

// Holds the session's next run (a picture's or a batch's) at its first progress report until it
// is cancelled, so that a test can cancel a run under way however fast the machine. Going out of
// scope cancels a run still held and waits for it to end before letting go of the run's signal.
class RunHold {
public:
    explicit RunHold(DesktopSession& session);
    ~RunHold();
    RunHold(const RunHold&) = delete;
    RunHold& operator=(const RunHold&) = delete;

private:
    DesktopSession& m_session;
    std::atomic<bool> m_held{false};
};

// The file dialogs answer with `files` under the filter `filterIndex` (0: the one the program
// proposed); `asked`, when given, receives the request.
void AnswerFileDialogs(const QStringList& files, int filterIndex = 0,
                       struct FileDialogRequest* asked = nullptr);
// Replaces the settings file with the given "Section/key" values.
void WriteSettingsFile(const QVariantMap& values);
QVariant ReadSetting(const QString& key);
QByteArray ReadFile(const QString& path);
QByteArray Bytes(const DibHandle& dib);
// The view's client area as painted, in device pixels.
QImage Shot(CKorvoView* view);
// A bitmap file of a 24-bit picture, given top row first as 0xRRGGBB.
std::vector<std::uint8_t> Bmp24(int width, int height, const std::vector<std::uint32_t>& topDown);
// A bitmap file of a 24-bit picture whose colours change at every pixel, so that a run has real
// work to do; drawn from `seed`.
std::vector<std::uint8_t> Noise(int width, int height, unsigned seed = 12345);
// A w x h picture whose pixel (x, y) is 0x00xxyy (x and y below 256), top row first.
std::vector<std::uint32_t> Gradient(int w, int h);
