// The settings file through the real main window: the version gate (first start, a trusted file,
// missing keys, another version's file) and the round trip from one start to the next.
#include "app_test_support.h"
#include "desktop/file_dialogs.h"
#include "desktop/korvo_app.h"
#include "desktop/main_frame.h"
#include "desktop/my_status_bar.h"
#include "pluginhost/plugin_registry.h"
#include "settings/settings_file.h"

#include <QAction>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
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
    QCOMPARE(g_strPluginPath, AppendSeparator(DefaultPluginFolder()));
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
    QVERIFY(Start());
    QCOMPARE(g_strPluginPath, QStringLiteral("/opt/spi/"));
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
    QCOMPARE(g_strPluginPath, pluginPath);
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
    QCOMPARE(g_strPluginPath, AppendSeparator(DefaultPluginFolder()));
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

QTEST_MAIN(TestSettings)
#include "settings_test.moc"
