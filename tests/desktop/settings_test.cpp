// The settings file through the real main window: the version gate (first start, a trusted file,
// missing keys, another version's file), the round trip from one start to the next, what the
// user wrote surviving it, and files the program must not read.
#include "app_test_support.h"
#include "desktop/file_dialogs.h"
#include "desktop/korvo_app.h"
#include "desktop/main_frame.h"
#include "desktop/my_status_bar.h"
#include "pluginhost/plugin_registry.h"
#include "settings/settings_file.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <climits>
#include <memory>

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void firstStartShowsAboutBoxAndDefaults();
    void firstStartTakesThePluginPathFromTheEnvironment();
    void trustedFileIsRead_data();
    void trustedFileIsRead();
    void anotherVersionsFileIsIgnoredWhole();
    void settingsComeBackAtTheNextStart();
    void userTextAndSwitchedOffPluginsSurvive();
    void refusedFileIsLeftAlone_data();
    void refusedFileIsLeftAlone();
    void storedRectangleIsPlacedOnAScreen_data();
    void storedRectangleIsPlacedOnAScreen();

private:
    CMainFrame* Start();

    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<NoticeRecorder> m_rec;
    std::unique_ptr<CKorvoApp> m_app;
};

void TestSettings::init() {
    m_config = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", m_config->path().toLocal8Bit());
    qunsetenv("SUSIE_PLUGIN_PATH");
    m_rec = std::make_unique<NoticeRecorder>();
}

void TestSettings::cleanup() {
    m_app.reset();
    m_rec.reset();
    qunsetenv("SUSIE_PLUGIN_PATH");
}

CMainFrame* TestSettings::Start() {
    m_app = std::make_unique<CKorvoApp>();
    return m_app->InitInstance({}) ? m_app->MainFrame() : nullptr;
}

void TestSettings::firstStartShowsAboutBoxAndDefaults() {
    CMainFrame* frame = Start();
    QVERIFY(frame);
    QCOMPARE(m_rec->Dialogs(), QStringList{"aboutBox"});
    QCOMPARE(frame->Plugins().Folder(), AppendSeparator(DefaultPluginFolder()));
    QCOMPARE(frame->OpenDialog().m_strInitialDir, QString());
    QCOMPARE(frame->SaveDialog().m_strInitialDir, QString());

    m_app.reset(); // written at exit
    QCOMPARE(ReadSetting(QStringLiteral("Infomation/version")).toString(), RunningVersion());
    QCOMPARE(ReadSetting(QStringLiteral("FileOperation/PluginPath")).toString(),
             AppendSeparator(DefaultPluginFolder()));
    QCOMPARE(ReadSetting(QStringLiteral("ViewSettings/style")).toInt(), 1);
    // The section names are part of the file format, spelling included.
    const QByteArray text = ReadFile(SettingsFilePath());
    for (const char* section : {"[Infomation]", "[ViewSettings]", "[FileOperation]"})
        QVERIFY2(text.contains(section), section);
}

void TestSettings::firstStartTakesThePluginPathFromTheEnvironment() {
    qputenv("SUSIE_PLUGIN_PATH", "/opt/spi");
    CMainFrame* frame = Start();
    QVERIFY(frame);
    QCOMPARE(frame->Plugins().Folder(), QStringLiteral("/opt/spi/"));
}

void TestSettings::trustedFileIsRead_data() {
    QTest::addColumn<QVariantMap>("file");
    QTest::addColumn<QString>("openDir");
    QTest::addColumn<QString>("pluginPath");
    QTest::addColumn<bool>("maximized");
    const QString version = RunningVersion();
    QTest::newRow("every key") << QVariantMap{{"Infomation/version", version},
                                              {"ViewSettings/left", 30},
                                              {"ViewSettings/top", 40},
                                              {"ViewSettings/right", 630},
                                              {"ViewSettings/bottom", 440},
                                              {"ViewSettings/style", 3},
                                              {"FileOperation/OpenDir", "/pictures/in/"},
                                              {"FileOperation/SaveDir", "/pictures/out/"},
                                              {"FileOperation/PluginPath", "/opt/spi"}}
                               << "/pictures/in/"
                               << "/opt/spi/" << true;
    // Missing keys take their defaults: empty folders, shown normally; the plug-in folder is
    // taken as stored, and the loader adds the separator.
    QTest::newRow("version only") << QVariantMap{{"Infomation/version", version}} << ""
                                  << "/" << false;
}

void TestSettings::trustedFileIsRead() {
    QFETCH(QVariantMap, file);
    QFETCH(QString, openDir);
    QFETCH(QString, pluginPath);
    QFETCH(bool, maximized);
    WriteSettingsFile(file);
    CMainFrame* frame = Start();
    QVERIFY(frame);
    QCOMPARE(m_rec->Dialogs(), QStringList());
    QCOMPARE(frame->OpenDialog().m_strInitialDir, openDir);
    QCOMPARE(frame->SaveDialog().m_strInitialDir, file.value("FileOperation/SaveDir").toString());
    QCOMPARE(frame->Plugins().Folder(), pluginPath);
    QCOMPARE(frame->isMaximized(), maximized);
    if (file.contains("ViewSettings/left"))
        QCOMPARE(frame->normalGeometry().size(), QSize(600, 400));
}

void TestSettings::anotherVersionsFileIsIgnoredWhole() {
    WriteSettingsFile({{"Infomation/version", RunningVersion() + QStringLiteral(".9")},
                       {"ViewSettings/left", 30},
                       {"ViewSettings/top", 40},
                       {"ViewSettings/right", 630},
                       {"ViewSettings/bottom", 440},
                       {"ViewSettings/style", 3},
                       {"FileOperation/OpenDir", "/pictures/in/"},
                       {"FileOperation/PluginPath", "/opt/spi"}});
    CMainFrame* frame = Start();
    QVERIFY(frame);
    QCOMPARE(m_rec->Dialogs(), QStringList{"aboutBox"});
    QCOMPARE(frame->OpenDialog().m_strInitialDir, QString());
    QCOMPARE(frame->Plugins().Folder(), AppendSeparator(DefaultPluginFolder()));
    QVERIFY(!frame->isMaximized());
    QVERIFY(frame->normalGeometry().size() != QSize(600, 400));
}

void TestSettings::settingsComeBackAtTheNextStart() {
    CMainFrame* frame = Start();
    frame->OpenDialog().m_strInitialDir = QStringLiteral("/in/");
    frame->SaveDialog().m_strInitialDir = QStringLiteral("/out/");
    frame->Action(QStringLiteral("actionToolbar"))->trigger();
    frame->Action(QStringLiteral("actionStatusBar"))->trigger();
    frame->setGeometry(50, 60, 500, 300);
    m_app.reset();

    m_rec->Clear();
    frame = Start();
    QCOMPARE(m_rec->Dialogs(), QStringList()); // trusted now: no about box
    QCOMPARE(frame->OpenDialog().m_strInitialDir, QStringLiteral("/in/"));
    QCOMPARE(frame->SaveDialog().m_strInitialDir, QStringLiteral("/out/"));
    QVERIFY(frame->ToolBar()->isHidden());
    QVERIFY(!frame->Action(QStringLiteral("actionToolbar"))->isChecked());
    QVERIFY(frame->StatusBar()->isHidden());
    QVERIFY(!frame->Action(QStringLiteral("actionStatusBar"))->isChecked());
    QCOMPARE(frame->normalGeometry().size(), QSize(500, 300));
}

// Comments, keys and sections the program does not own, and switched-off plug-ins whose names
// hold characters an INI reader might take apart, come back byte for byte after a start and exit.
void TestSettings::userTextAndSwitchedOffPluginsSurvive() {
    QTemporaryDir spi;
    const QStringList names = {"a,b.spi", "c;d.spi", "e=f.spi", "\"g\".spi", "h\\i.spi", " j.spi"};
    for (const QString& name : names)
        WriteFile(spi.filePath(name), {});
    CMainFrame* frame = Start();
    QVERIFY(frame);
    frame->Plugins().SetFolder(
        AppendSeparator(spi.path())); // as the plug-in settings dialog leaves it
    m_app.reset();
    QByteArray text = "; my settings\n" + ReadFile(SettingsFilePath());
    text.replace("[ViewSettings]\n", "[ViewSettings]\n# another comment\nzoom = 3\n");
    text += "\n[Plugins]\n";
    for (int i = 0; i < names.size(); ++i)
        text += QByteArray::number(i + 1) + '=' + names[i].toUtf8() + '\n';
    text += "\n[Unknown]\nkey = \"quoted\", with; all=of \\ it\n";
    WriteFile(SettingsFilePath(), text);

    m_rec->Clear();
    QVERIFY(Start());
    QCOMPARE(m_rec->Dialogs(), QStringList()); // trusted
    QCOMPARE(GetActivePlugins(spi.path()), QStringList());
    m_app.reset();
    QCOMPARE(ReadFile(SettingsFilePath()), text);
}

// A settings file no real one resembles is not read: a notice that does not wait, the built-in
// settings as on a first start, and the file as it was after the exit.
void TestSettings::refusedFileIsLeftAlone_data() {
    QTest::addColumn<bool>("large");
    QTest::newRow("larger than 1 MiB") << true;
    QTest::newRow("link to /dev/zero") << false;
}

void TestSettings::refusedFileIsLeftAlone() {
    QFETCH(bool, large);
    const QString path = SettingsFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray text = "[Infomation]\nversion=" + RunningVersion().toUtf8() + "\n;" +
                            QByteArray(1 << 20, 'x') + '\n';
    if (large)
        WriteFile(path, text);
    else
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    QVERIFY(Start());
    QCOMPARE(m_rec->Dialogs(), QStringList{"aboutBox"});
    QCOMPARE(m_rec->Messages().size(), 1);
    QVERIFY2(m_rec->Messages().first().contains(path + " could not be read"),
             qPrintable(m_rec->Messages().first()));
    m_app.reset();
    if (large)
        QCOMPARE(ReadFile(path), text);
    else
        QCOMPARE(QFileInfo(path).symLinkTarget(), QStringLiteral("/dev/zero"));
}

// Edges anywhere in the range of int: computed without overflow, and a window no screen would
// show is moved onto the primary screen.
void TestSettings::storedRectangleIsPlacedOnAScreen_data() {
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("bottom");
    QTest::addColumn<bool>("kept");
    QTest::newRow("on the screen") << 30 << 40 << 630 << 440 << true;
    QTest::newRow("the ends of int") << INT_MIN << INT_MIN << INT_MAX << INT_MAX << false;
    QTest::newRow("beyond every screen") << 100000 << 100000 << 100600 << 100400 << false;
    QTest::newRow("left of every screen") << -5000 << 0 << -4400 << 400 << false;
}

void TestSettings::storedRectangleIsPlacedOnAScreen() {
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(int, right);
    QFETCH(int, bottom);
    QFETCH(bool, kept);
    WriteSettingsFile({{"Infomation/version", RunningVersion()},
                       {"ViewSettings/left", left},
                       {"ViewSettings/top", top},
                       {"ViewSettings/right", right},
                       {"ViewSettings/bottom", bottom}});
    CMainFrame* frame = Start();
    QVERIFY(frame);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    if (kept)
        QCOMPARE(frame->geometry(), QRect(left, top, right - left, bottom - top));
    else
        QVERIFY(area.contains(frame->frameGeometry().topLeft()) && frame->width() <= area.width() &&
                frame->height() <= area.height());
}

QTEST_MAIN(TestSettings)
#include "settings_test.moc"
