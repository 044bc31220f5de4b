#include "app_test_support.h"

#include "desktop/browse_for_folder.h"
#include "desktop/child_frame.h"
#include "desktop/control_panel.h"
#include "desktop/file_dialogs.h"
#include "desktop/korvo_view.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"
#include "tests/support/dib_builder.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSettings>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

NoticeRecorder::NoticeRecorder() {
    SetNoticeSink([this](const Notice& n) { m_notices << n; });
    SetModalDialogRunner([this](QDialog& dialog) {
        m_dialogs << dialog.objectName();
        const auto answer = m_answers.find(dialog.objectName());
        if (answer == m_answers.end())
            return int(QDialog::Rejected);
        dialog.show();
        answer->second(dialog);
        dialog.accept(); // refused by a dialog that keeps a wrong value
        dialog.hide();
        return dialog.result();
    });
}

NoticeRecorder::~NoticeRecorder() {
    SetNoticeSink({});
    SetModalDialogRunner({});
}

QStringList NoticeRecorder::Messages() const {
    QStringList out;
    for (const Notice& n : m_notices)
        if (n.kind == Notice::Kind::Message)
            out << n.text;
    return out;
}

int NoticeRecorder::Beeps(NoticeIcon icon) const {
    return int(std::count_if(m_notices.begin(), m_notices.end(), [icon](const Notice& n) {
        return n.kind == Notice::Kind::Beep && n.icon == icon;
    }));
}

void NoticeRecorder::Clear() {
    m_notices.clear();
    m_dialogs.clear();
}

DesktopSession::DesktopSession() {
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
}

RunHold::RunHold(DesktopSession& session) : m_session(session) {
    QuantSignal& signal = session.RunState().m_signal;
    signal.m_onProgress = [this, &signal](int value) {
        if (value <= 0 || m_held.exchange(true))
            return;
        for (int ms = 0; !signal.Cancelled() && ms < 60000; ++ms)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
}

RunHold::~RunHold() {
    CQuantSign& run = m_session.RunState();
    if (run.m_bRunning) {
        run.m_signal.m_bCancel.store(1);
        (void)QTest::qWaitFor([&run] { return !run.m_bRunning; }, 60000);
    }
    run.m_signal.m_onProgress = nullptr;
}

DesktopSession::~DesktopSession() {
    End();
    SetFileDialogRunner({});
    SetBrowseForFolderFunction({});
    QGuiApplication::clipboard()->clear();
}

CMainFrame* DesktopSession::Start() {
    app = std::make_unique<CKorvoApp>();
    frame = app->InitInstance({}) ? app->MainFrame() : nullptr;
    return frame;
}

CMainFrame* DesktopSession::StartTrusted(const QString& pluginPath) {
    QVariantMap values{{"Infomation/version", RunningVersion()},
                       {"FileOperation/PluginPath", pluginPath.isEmpty()
                                                        ? files.filePath(QStringLiteral("none"))
                                                        : pluginPath}};
    for (const SettingKey* key : settings::kPanelKeys)
        if (key->type == SettingType::Int)
            values[QStringLiteral("ControllPanel/") + QLatin1String(key->key)] = key->builtIn;
    WriteSettingsFile(values);
    if (Start())
        frame->resize(800, 600);
    return frame;
}

void DesktopSession::End() {
    while (app && RunState().m_bRunning) {
        RunState().m_signal.m_bCancel.store(1);
        QTest::qWait(50);
    }
    if (app)
        RunState().m_signal.m_bCancel.store(0); // a refused run never clears it
    app.reset();
    frame = nullptr;
}

QString DesktopSession::File(const QString& name, const QByteArray& bytes) {
    QFile f(QDir(files.path()).filePath(name)); // an absolute name stays as it is
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return f.fileName();
}

QString DesktopSession::File(const QString& name, const std::vector<std::uint8_t>& bytes) {
    return File(name,
                QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
}

void DesktopSession::AnswerPanel(std::function<void(CControllPanel&)> setUp) {
    rec.m_answers[QStringLiteral("controlPanel")] = [setUp](QDialog& d) {
        if (setUp)
            setUp(static_cast<CControllPanel&>(d));
    };
}

bool DesktopSession::WaitForRunEnd() {
    return QTest::qWaitFor([this] { return !RunState().m_bRunning; }, 120000);
}

QImage Shot(CKorvoView* view) {
    QApplication::processEvents();
    return view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

CDocument* DesktopSession::DocumentOf(QMdiSubWindow* window) const {
    return static_cast<CChildFrame*>(window)->GetDocument();
}

void WriteSettingsFile(const QVariantMap& values) {
    QFile::remove(SettingsFilePath());
    QDir().mkpath(QFileInfo(SettingsFilePath()).absolutePath());
    QSettings s(SettingsFilePath(), QSettings::IniFormat);
    for (auto it = values.begin(); it != values.end(); ++it)
        s.setValue(it.key(), it.value());
}

QVariant ReadSetting(const QString& key) {
    return QSettings(SettingsFilePath(), QSettings::IniFormat).value(key);
}

void AnswerFileDialogs(const QStringList& files, int filterIndex, FileDialogRequest* asked) {
    SetFileDialogRunner([=](QWidget*, const FileDialogRequest& request) {
        if (asked)
            *asked = request;
        return std::optional<FileDialogAnswer>(
            FileDialogAnswer{files, filterIndex ? filterIndex : request.filterIndex});
    });
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray Bytes(const DibHandle& dib) {
    return dib ? QByteArray(reinterpret_cast<const char*>(dib.data()), qsizetype(dib.size()))
               : QByteArray();
}

std::vector<std::uint8_t> Bmp24(int width, int height, const std::vector<std::uint32_t>& topDown) {
    return BitmapFile({40, width, height, 1, 24}, Rows24(width, height, topDown));
}

std::vector<std::uint8_t> Noise(int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint32_t> pixels(std::size_t(width) * std::size_t(height));
    for (std::uint32_t& pixel : pixels)
        pixel = random() & 0xFFFFFF;
    return Bmp24(width, height, pixels);
}

std::vector<std::uint32_t> Gradient(int w, int h) {
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixels.push_back(std::uint32_t(((x & 0xFF) << 8) | (y & 0xFF)));
    return pixels;
}
