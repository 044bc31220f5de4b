// The settings file through the real main window: the version gate (first start, a trusted file,
// missing keys, another version's file), the round trip from one start to the next, what the
// user wrote surviving it, and files the program must not read.
#include "app_test_support.h"
#include "desktop/file_dialogs.h"
#include "desktop/main_status_bar.h"
#include "pluginhost/plugin_registry.h"
#include "settings/settings_file.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QToolBar>
#include <climits>

namespace {

// A file of this version with every key of the main window set.
QVariantMap EveryKey(const QString& version) {
    return {{"Infomation/version", version},
            {"ViewSettings/left", 30},
            {"ViewSettings/top", 40},
            {"ViewSettings/right", 630},
            {"ViewSettings/bottom", 440},
            {"ViewSettings/style", 3},
            {"FileOperation/OpenDir", "/in/"},
            {"FileOperation/SaveDir", "/out/"},
            {"FileOperation/PluginPath", "/opt/spi"}};
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void init() {
        qunsetenv("SUSIE_PLUGIN_PATH");
        m_s = std::make_unique<DesktopSession>();
    }

    void cleanup() {
        m_s.reset();
        qunsetenv("SUSIE_PLUGIN_PATH");
    }

    // Without a settings file: the about box, the built-in settings, the plug-in folder from
    // SUSIE_PLUGIN_PATH when it is set, and a file of this version written at exit.
    void firstStartShowsAboutBoxAndDefaults_data() {
        QTest::addColumn<QByteArray>("environment");
        QTest::addColumn<QString>("plugins");
        QTest::newRow("no plug-in path set")
            << QByteArray() << AppendSeparator(DefaultPluginFolder());
        QTest::newRow("SUSIE_PLUGIN_PATH") << QByteArray("/opt/spi") << "/opt/spi/";
    }
    void firstStartShowsAboutBoxAndDefaults() {
        QFETCH(QByteArray, environment);
        QFETCH(QString, plugins);
        if (!environment.isEmpty())
            qputenv("SUSIE_PLUGIN_PATH", environment);
        CMainFrame* frame = m_s->Start();
        QVERIFY(frame);
        QCOMPARE(m_s->rec.Dialogs(), QStringList{"aboutBox"});
        QCOMPARE(frame->Plugins().Folder(), plugins);
        QCOMPARE(frame->OpenDialog().m_strInitialDir, QString());
        QCOMPARE(frame->SaveDialog().m_strInitialDir, QString());

        m_s->End(); // written at exit
        QCOMPARE(ReadSetting(QStringLiteral("Infomation/version")).toString(), RunningVersion());
        QCOMPARE(ReadSetting(QStringLiteral("FileOperation/PluginPath")).toString(), plugins);
        QCOMPARE(ReadSetting(QStringLiteral("ViewSettings/style")).toInt(), 1);
        // The section names are part of the file format, spelling included.
        const QByteArray text = ReadFile(SettingsFilePath());
        for (const char* section : {"[Infomation]", "[ViewSettings]", "[FileOperation]"})
            QVERIFY2(text.contains(section), section);
    }

    // Only a file of this very version is read; without a key the default holds (empty folders,
    // shown normally; the plug-in folder as stored, the loader adds the separator). Another
    // version's file counts as a first start.
    void trustedFileIsRead_data() {
        QTest::addColumn<QVariantMap>("file");
        QTest::addColumn<bool>("read");
        const QString version = RunningVersion();
        QTest::newRow("every key") << EveryKey(version) << true;
        QTest::newRow("version only") << QVariantMap{{"Infomation/version", version}} << true;
        QTest::newRow("another version") << EveryKey(version + QStringLiteral(".9")) << false;
    }

    void trustedFileIsRead() {
        QFETCH(QVariantMap, file);
        QFETCH(bool, read);
        WriteSettingsFile(file);
        CMainFrame* frame = m_s->Start();
        QVERIFY(frame);
        QCOMPARE(m_s->rec.Dialogs(), read ? QStringList() : QStringList{"aboutBox"});
        const QVariantMap taken = read ? file : QVariantMap();
        QCOMPARE(frame->OpenDialog().m_strInitialDir,
                 taken.value("FileOperation/OpenDir").toString());
        QCOMPARE(frame->SaveDialog().m_strInitialDir,
                 taken.value("FileOperation/SaveDir").toString());
        QCOMPARE(frame->Plugins().Folder(),
                 read ? AppendSeparator(taken.value("FileOperation/PluginPath").toString())
                      : AppendSeparator(DefaultPluginFolder()));
        QCOMPARE(frame->isMaximized(), taken.contains("ViewSettings/style"));
        QCOMPARE(frame->normalGeometry() == QRect(30, 40, 600, 400),
                 taken.contains("ViewSettings/left"));
    }

    // The window, the bars, the dialogs' folders and the control panel's keys come back; a panel
    // key missing from the file reads as 0.
    void settingsComeBackAtTheNextStart() {
        CMainFrame* frame = m_s->Start();
        QVERIFY(frame);
        frame->OpenDialog().m_strInitialDir = QStringLiteral("/in/");
        frame->SaveDialog().m_strInitialDir = QStringLiteral("/out/");
        m_s->Action("actionToolbar")->trigger();
        m_s->Action("actionStatusBar")->trigger();
        frame->setGeometry(50, 60, 500, 300);
        CControllPanel& panel = frame->ControlPanel();
        *std::get<int*>(panel.FindSetting(QStringLiteral("numBit"))->member) = 77;
        *std::get<int*>(panel.FindSetting(QStringLiteral("magWB"))->member) = 3;
        *std::get<QString*>(panel.FindSetting(QStringLiteral("BatchPath"))->member) =
            QStringLiteral("/out/here");
        m_s->End();
        QCOMPARE(ReadSetting(QStringLiteral("ControllPanel/numBit")).toInt(), 77);
        QCOMPARE(ReadSetting(QStringLiteral("ControllPanel/DitherLevel")).toInt(), 7);
        QSettings(SettingsFilePath(), QSettings::IniFormat)
            .remove(QStringLiteral("ControllPanel/DitherLevel"));

        m_s->rec.Clear();
        frame = m_s->Start();
        QVERIFY(frame);
        QCOMPARE(m_s->rec.Dialogs(), QStringList()); // trusted now: no about box
        QCOMPARE(frame->OpenDialog().m_strInitialDir, QStringLiteral("/in/"));
        QCOMPARE(frame->SaveDialog().m_strInitialDir, QStringLiteral("/out/"));
        QVERIFY(frame->ToolBar()->isHidden() && !m_s->Action("actionToolbar")->isChecked());
        QVERIFY(frame->StatusBar()->isHidden() && !m_s->Action("actionStatusBar")->isChecked());
        QCOMPARE(frame->normalGeometry().size(), QSize(500, 300));
        const PanelValues v = frame->ControlPanel().GetPanelValues();
        QCOMPARE((QList<int>{v.m_nNumBit, v.m_nMagWB, v.m_nDitherLevel}), (QList<int>{77, 3, 0}));
        QCOMPARE(*std::get<QString*>(
                     frame->ControlPanel().FindSetting(QStringLiteral("BatchPath"))->member),
                 QStringLiteral("/out/here"));
    }

    // Comments, keys and sections the program does not own, and switched-off plug-ins whose names
    // hold characters an INI reader might take apart, come back byte for byte after a start and
    // exit.
    void userTextAndSwitchedOffPluginsSurvive() {
        QTemporaryDir spi;
        const QStringList names = {"a,b.spi",   "c;d.spi",  "e=f.spi",
                                   "\"g\".spi", "h\\i.spi", " j.spi"};
        for (const QString& name : names)
            QFile(spi.filePath(name)).open(QIODevice::WriteOnly);
        QVERIFY(m_s->Start());
        m_s->frame->Plugins().SetFolder(
            AppendSeparator(spi.path())); // as the plug-in dialog leaves it
        m_s->End();
        QByteArray text = "; my settings\n" + ReadFile(SettingsFilePath());
        text.replace("[ViewSettings]\n", "[ViewSettings]\n# another comment\nzoom = 3\n");
        text += "\n[Plugins]\n";
        for (int i = 0; i < names.size(); ++i)
            text += QByteArray::number(i + 1) + '=' + names[i].toUtf8() + '\n';
        text += "\n[Unknown]\nkey = \"quoted\", with; all=of \\ it\n";
        m_s->File(SettingsFilePath(), text);

        m_s->rec.Clear();
        QVERIFY(m_s->Start());
        QCOMPARE(m_s->rec.Dialogs(), QStringList()); // trusted
        QCOMPARE(GetActivePlugins(spi.path()), QStringList());
        m_s->End();
        QCOMPARE(ReadFile(SettingsFilePath()), text);
    }

    // A settings file no real one resembles is not read: a notice that does not wait, the built-in
    // settings as on a first start, and the file as it was after the exit.
    void refusedFileIsLeftAlone_data() {
        QTest::addColumn<bool>("large");
        QTest::newRow("larger than 1 MiB") << true;
        QTest::newRow("link to /dev/zero") << false;
    }

    void refusedFileIsLeftAlone() {
        QFETCH(bool, large);
        const QString path = SettingsFilePath();
        QDir().mkpath(QFileInfo(path).absolutePath());
        const QByteArray text = "[Infomation]\nversion=" + RunningVersion().toUtf8() + "\n;" +
                                QByteArray(1 << 20, 'x') + '\n';
        if (large)
            m_s->File(path, text);
        else
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        QVERIFY(m_s->Start());
        QCOMPARE(m_s->rec.Dialogs(), QStringList{"aboutBox"});
        QCOMPARE(m_s->rec.Messages().size(), 1);
        QVERIFY2(m_s->rec.Messages().first().contains(path + " could not be read"),
                 qPrintable(m_s->rec.Messages().first()));
        m_s->End();
        if (large)
            QCOMPARE(ReadFile(path), text);
        else
            QCOMPARE(QFileInfo(path).symLinkTarget(), QStringLiteral("/dev/zero"));
    }

    // Edges anywhere in the range of int are computed without overflow, and a window no screen
    // would show is moved onto the primary screen (a rectangle on it is kept: trustedFileIsRead).
    void storedRectangleIsPlacedOnAScreen_data() {
        QTest::addColumn<QRect>("stored"); // left, top, right, bottom
        QTest::newRow("the ends of int")
            << QRect(QPoint(INT_MIN, INT_MIN), QPoint(INT_MAX, INT_MAX));
        QTest::newRow("beyond every screen")
            << QRect(QPoint(100000, 100000), QPoint(100600, 100400));
        QTest::newRow("left of every screen") << QRect(QPoint(-5000, 0), QPoint(-4400, 400));
    }

    void storedRectangleIsPlacedOnAScreen() {
        QFETCH(QRect, stored);
        WriteSettingsFile({{"Infomation/version", RunningVersion()},
                           {"ViewSettings/left", stored.left()},
                           {"ViewSettings/top", stored.top()},
                           {"ViewSettings/right", stored.right()},
                           {"ViewSettings/bottom", stored.bottom()}});
        CMainFrame* frame = m_s->Start();
        QVERIFY(frame);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(area.contains(frame->frameGeometry().topLeft()) && frame->width() <= area.width() &&
                frame->height() <= area.height());
    }

private:
    std::unique_ptr<DesktopSession> m_s;
};

QTEST_MAIN(TestSettings)
#include "settings_test.moc"
