// The second half of the desktop program driven through the real main window: a quantization
// run with its progress, cancel and guards, copy and paste, the plug-in settings command, the
// batch window and the choice New offers.
#include "desktop/batch_view.h"
#include "desktop/child_frame.h"
#include "desktop/control_panel.h"
#include "desktop/file_dialogs.h"
#include "desktop/korvo_app.h"
#include "desktop/main_frame.h"
#include "desktop/my_status_bar.h"
#include "desktop/quant_run.h"
#include "desktop/quant_sign.h"
#include "desktop/user_notice.h"
#include "document/korvo_doc.h"
#include "image/bmp_file.h"
#include "pluginhost/plugin_registry.h"
#include "settings/settings_file.h"

#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QProgressBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace {

std::vector<std::uint8_t> Bytes(const DibHandle& dib) {
    return {dib.data(), dib.data() + dib.size()};
}

// A 24-bit picture whose colours change at every pixel, so that a run has real work to do.
DibHandle Noise(int width, int height) {
    const std::uint64_t stride = (std::uint64_t(width) * 3 + 3) / 4 * 4;
    DibHandle dib = DibHandle::Allocate(40 + stride * std::uint64_t(height));
    std::uint8_t* h = dib.data();
    WriteU32(h, 40);
    WriteU32(h + dibfield::Width, std::uint32_t(width));
    WriteU32(h + dibfield::Height, std::uint32_t(height));
    WriteU16(h + dibfield::Planes, 1);
    WriteU16(h + dibfield::BitCount, 24);
    std::uint32_t seed = 12345;
    for (std::uint64_t i = 0; i < stride * std::uint64_t(height); ++i) {
        seed = seed * 1103515245u + 12345u;
        h[40 + i] = std::uint8_t(seed >> 16);
    }
    return dib;
}

// A bitmap file around any picture block: its pixels follow the header and the colour table.
QByteArray BmpFile(const std::vector<std::uint8_t>& dib) {
    DibHandle block = DibHandle::Allocate(dib.size());
    std::copy(dib.begin(), dib.end(), block.data());
    const std::uint8_t* h = block.data();
    std::uint8_t head[14] = {'B', 'M'};
    WriteU32(head + 2, std::uint32_t(14 + dib.size()));
    WriteU32(head + 10, 14 + ReadU32(h) + DibGetColorTableSize(h));
    return QByteArray(reinterpret_cast<const char*>(head), 14) +
           QByteArray(reinterpret_cast<const char*>(dib.data()), qsizetype(dib.size()));
}

class DesktopRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_config.isValid() && m_files.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        // A trusted settings file without plug-ins, so no about box and only BMP files.
        {
            const QString path = SettingsFilePath();
            QDir().mkpath(QFileInfo(path).absolutePath());
            QSettings s(path, QSettings::IniFormat);
            s.setValue(QStringLiteral("Infomation/version"), QStringLiteral(XKORVO_VERSION));
            s.setValue(QStringLiteral("FileOperation/PluginPath"), m_files.filePath("none"));
            // The panel's built-in values; a trusted file without them would read zeros.
            const std::pair<const char*, int> panel[] = {
                {"numBit", 64}, {"DitherLevel", 7}, {"InBit", 3},
                {"OutBit", 8},  {"magCR", 10},      {"magGM", 10},
                {"magWB", 10},  {"magYB", 10},      {"TransPosition", 3}};
            for (const auto& [key, value] : panel)
                s.setValue(QStringLiteral("ControllPanel/") + QLatin1String(key), value);
        }
        SetNoticeSink([this](const Notice& n) { m_notices << n; });
        SetModalDialogRunner([this](QDialog& dialog) {
            m_dialogs << dialog.objectName();
            auto answer = m_answers.find(dialog.objectName());
            if (answer == m_answers.end())
                return int(QDialog::Rejected);
            dialog.show();
            answer->second(dialog);
            dialog.accept();
            const int result = dialog.result();
            dialog.hide();
            return result;
        });
        m_app = std::make_unique<CKorvoApp>();
        ASSERT_TRUE(m_app->InitInstance({}));
        m_frame = m_app->MainFrame();
        m_frame->resize(800, 600);
        m_frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame));
        // The machine running the tests may be busy; a run at idle priority could starve.
        m_frame->m_runPriority = QThread::NormalPriority;
    }
    void TearDown() override {
        // A run left behind by a failed test is cancelled before the window goes.
        while (m_app->RunState().m_bRunning) {
            m_app->RunState().m_signal.m_bCancel.store(1);
            QTest::qWait(50);
        }
        m_app->RunState().m_signal.m_bCancel.store(0); // a refused run never clears it
        m_app.reset();
        SetNoticeSink({});
        SetModalDialogRunner({});
        SetFileDialogRunner({});
        QGuiApplication::clipboard()->clear();
    }

    QAction* Action(const char* name) { return m_frame->Action(QString::fromLatin1(name)); }
    QList<QMdiSubWindow*> Windows() { return m_frame->MdiArea()->subWindowList(); }
    CDocument* DocOf(QMdiSubWindow* sub) { return static_cast<CChildFrame*>(sub)->GetDocument(); }
    QString Save(const char* name, DibHandle& dib) {
        const QString path = m_files.filePath(QString::fromLatin1(name));
        EXPECT_EQ(DibSaveFile(dib, path.toStdString()), SaveResult::Ok);
        return path;
    }
    QString CopyData(const char* relative) {
        const QString target =
            m_files.filePath(QFileInfo(QString::fromLatin1(relative)).fileName());
        QFile::copy(QStringLiteral(XKORVO_TEST_DATA "/") + QString::fromLatin1(relative), target);
        return target;
    }
    // Answers the control panel with the given set-up, then OK.
    void AnswerPanel(std::function<void(CControllPanel&)> setUp) {
        m_answers[QStringLiteral("controlPanel")] = [setUp](QDialog& d) {
            setUp(static_cast<CControllPanel&>(d));
        };
    }
    bool WaitForRunEnd(int ms = 120000) {
        return QTest::qWaitFor([this] { return !m_app->RunState().m_bRunning; }, ms);
    }
    int Beeps(NoticeIcon icon) const {
        int n = 0;
        for (const Notice& notice : m_notices)
            n += notice.kind == Notice::Kind::Beep && notice.icon == icon;
        return n;
    }

    QTemporaryDir m_config, m_files;
    QList<Notice> m_notices;
    QStringList m_dialogs;
    std::map<QString, std::function<void(QDialog&)>> m_answers;
    std::unique_ptr<CKorvoApp> m_app;
    CMainFrame* m_frame = nullptr;
};

} // namespace

// A user's run: 16 colours with error diffusion on a photo gives the same picture as the
// command-line front end with the same choices.
TEST_F(DesktopRun, FullRunOpensTheResultLikeTheCommandLine) {
    const QString source = CopyData("bmpsuite/g/rgb24.bmp");
    CKorvoDoc* doc = m_frame->OpenDocumentFile(source);
    ASSERT_NE(doc, nullptr);
    AnswerPanel([](CControllPanel& panel) {
        panel.findChild<QAbstractButton*>(QStringLiteral("radioBitSet1"))->click();
        panel.findChild<QComboBox*>(QStringLiteral("comboDitherMode"))->setCurrentIndex(2);
    });
    ASSERT_TRUE(Action("actionReduce")->isEnabled());
    Action("actionReduce")->trigger();
    EXPECT_EQ(m_dialogs, QStringList{"controlPanel"});
    ASSERT_TRUE(WaitForRunEnd());

    ASSERT_EQ(Windows().size(), 2);
    auto* result = static_cast<CKorvoDoc*>(DocOf(m_frame->MdiArea()->activeSubWindow()));
    EXPECT_EQ(result->GetTitle(), QStringLiteral("rgb24.bmp(16)"));
    EXPECT_EQ(m_frame->MdiArea()->activeSubWindow()->windowTitle(),
              QStringLiteral("rgb24.bmp(16)"));
    EXPECT_FALSE(result->m_canReduce);
    EXPECT_FALSE(Action("actionReduce")->isEnabled()); // a result is never reduced again
    EXPECT_EQ(Beeps(NoticeIcon::Information), 1);
    EXPECT_FALSE(doc->m_running);

    const QString cliOut = m_files.filePath("cli.bmp");
    QProcess cli;
    cli.start(QStringLiteral(XKORVO_BIN_DIR "/xkorvo-cli"),
              {"-q", "-c", "16", "-d", "diffusion", source, cliOut});
    ASSERT_TRUE(cli.waitForFinished(120000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    BmpReadResult expected = DibReadFile(cliOut.toStdString());
    ASSERT_TRUE(expected.dib);
    EXPECT_EQ(DibGetColorCount(expected.dib.data()), 16);
    EXPECT_EQ(Bytes(result->m_hDib), Bytes(expected.dib));
}

// Cancel while a long run is under way; meanwhile the source window, Close all and the
// program itself all stay, silently.
TEST_F(DesktopRun, CancelDuringARunAndTheGuardsMeanwhile) {
    DibHandle big = Noise(1600, 1200);
    CKorvoDoc* doc = m_frame->OpenDocumentFile(Save("big.bmp", big));
    ASSERT_NE(doc, nullptr);
    CKorvoDoc* other = m_frame->OpenDocumentFile(Save("small.bmp", big = Noise(8, 8)));
    ASSERT_NE(other, nullptr);
    m_frame->MdiArea()->setActiveSubWindow(Windows().first());
    AnswerPanel([](CControllPanel&) {});
    Action("actionReduce")->trigger();
    ASSERT_TRUE(m_app->RunState().m_bRunning);

    EXPECT_FALSE(Action("actionReduce")->isEnabled());
    EXPECT_TRUE(Action("actionCancel")->isEnabled());
    EXPECT_EQ(m_frame->StatusBar()->IdleText(), QStringLiteral("Quantizing, please wait..."));
    m_frame->MdiArea()->setActiveSubWindow(Windows().last());
    EXPECT_FALSE(Action("actionReduce")->isEnabled()); // on every picture
    Windows().first()->close();
    Action("actionCloseAll")->trigger();
    QApplication::processEvents();
    ASSERT_EQ(Windows().size(), 1); // the other picture closed, the source stays
    EXPECT_EQ(DocOf(Windows().first()), doc);
    EXPECT_FALSE(m_frame->close());
    EXPECT_TRUE(m_notices.isEmpty()); // all refused without a word

    // The engine clears a request made before it starts, so cancel once it reports progress.
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return m_app->RunState().m_signal.m_nProgress.load() > 0; }, 60000));
    QTest::qWait(1100); // one tick of the progress timer
    EXPECT_GT(m_frame->StatusBar()->Progress()->value(), 0);
    EXPECT_TRUE(Action("actionCancel")->shortcuts().contains(QKeySequence(Qt::Key_Escape)));
    // The panel had the focus last; the main window is the active one again.
    m_frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame));
    QTest::keyClick(m_frame, Qt::Key_Escape);
    EXPECT_EQ(m_app->RunState().m_signal.m_bCancel.load(), 1);
    ASSERT_TRUE(WaitForRunEnd());

    EXPECT_EQ(Windows().size(), 1);
    EXPECT_EQ(Beeps(NoticeIcon::Warning), 1);
    EXPECT_EQ(Beeps(NoticeIcon::Information), 0);
    EXPECT_EQ(m_frame->StatusBar()->Progress()->value(), 0);
    EXPECT_EQ(m_frame->StatusBar()->IdleText(), QString());
    EXPECT_TRUE(Action("actionReduce")->isEnabled());
    EXPECT_FALSE(Action("actionCancel")->isEnabled());
    EXPECT_FALSE(doc->m_running);
}

// Pictures the window shows but a run cannot unpack: the status bar says so when they open, and
// a run on them ends with the warning beep and the reason in the status bar.
TEST_F(DesktopRun, PictureThatCannotBeReducedSaysWhy) {
    struct Case {
        const char* file;
        std::vector<std::uint8_t> dib;
        const char* reason;
    };
    // 2 x 1, 1 bit, with a 12-byte header: width, height, planes, bits; black and white.
    std::vector<std::uint8_t> core(12);
    WriteU32(core.data(), 12);
    for (int field : {0, 1, 2, 3})
        WriteU16(core.data() + 4 + 2 * field, field == 0 ? 2 : 1);
    core.insert(core.end(), {0, 0, 0, 0xFF, 0xFF, 0xFF, 0x40, 0, 0, 0});
    // 4 x 2, 8-bit run-length codes, 4 colours: a run of 5 in a row of 4.
    std::vector<std::uint8_t> rle(40 + 16);
    WriteU32(rle.data(), 40);
    WriteU32(rle.data() + dibfield::Width, 4);
    WriteU32(rle.data() + dibfield::Height, 2);
    WriteU16(rle.data() + dibfield::Planes, 1);
    WriteU16(rle.data() + dibfield::BitCount, 8);
    WriteU32(rle.data() + dibfield::Compression, kCompressionRle8);
    WriteU32(rle.data() + dibfield::SizeImage, 4);
    WriteU32(rle.data() + dibfield::ClrUsed, 4);
    rle.insert(rle.end(), {5, 1, 0, 1});
    const Case cases[] = {{"core.bmp", core, "the picture has a 12-byte core header"},
                          {"rle.bmp", rle, "the run-length codes reach outside the picture"}};
    AnswerPanel([](CControllPanel&) {});
    for (const Case& c : cases) {
        m_notices.clear();
        const QString path = m_files.filePath(QString::fromLatin1(c.file));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(BmpFile(c.dib));
        file.close();
        CKorvoDoc* doc = m_frame->OpenDocumentFile(path);
        ASSERT_NE(doc, nullptr) << c.file;
        EXPECT_FALSE(doc->DisplayImage().isNull()) << c.file;
        EXPECT_EQ(m_frame->StatusBar()->IdleText().toStdString(),
                  std::string(c.file) +
                      " can be shown, but its colors cannot be reduced: " + c.reason);

        ASSERT_TRUE(Action("actionReduce")->isEnabled()) << c.file;
        Action("actionReduce")->trigger();
        ASSERT_TRUE(WaitForRunEnd());
        EXPECT_EQ(Beeps(NoticeIcon::Warning), 1) << c.file;
        EXPECT_EQ(m_frame->MdiArea()->activeSubWindow()->windowTitle(), QLatin1String(c.file));
        EXPECT_EQ(m_frame->StatusBar()->IdleText().toStdString(),
                  std::string("Cannot reduce the colors of ") + c.file + ": " + c.reason);
    }
    // A picture that can be reduced leaves nothing to tell.
    DibHandle fine = Noise(4, 4);
    ASSERT_NE(m_frame->OpenDocumentFile(Save("fine.bmp", fine)), nullptr);
    EXPECT_EQ(m_frame->StatusBar()->IdleText().toStdString(), "");
}

TEST_F(DesktopRun, PanelCancelledStartsNothing) {
    DibHandle small = Noise(4, 4);
    ASSERT_NE(m_frame->OpenDocumentFile(Save("s.bmp", small)), nullptr);
    Action("actionReduce")->trigger(); // no answer: the panel is cancelled
    EXPECT_FALSE(m_app->RunState().m_bRunning);
    EXPECT_FALSE(Action("actionCancel")->isEnabled());
    Action("actionCancel")->trigger(); // Cancel without a run does nothing
    EXPECT_EQ(m_app->RunState().m_signal.m_bCancel.load(), 0);
    EXPECT_EQ(Windows().size(), 1);
}

TEST_F(DesktopRun, CopyThenPasteGivesAnIdenticalIndependentPicture) {
    EXPECT_FALSE(Action("actionPaste")->isEnabled());
    QGuiApplication::clipboard()->setText(QStringLiteral("only text"));
    EXPECT_FALSE(Action("actionPaste")->isEnabled());

    CKorvoDoc* doc = m_frame->OpenDocumentFile(CopyData("bmpsuite/g/pal8.bmp"));
    ASSERT_NE(doc, nullptr);
    const std::vector<std::uint8_t> original = Bytes(doc->m_hDib);
    ASSERT_TRUE(Action("actionCopy")->isEnabled());
    Action("actionCopy")->trigger();
    ASSERT_TRUE(Action("actionPaste")->isEnabled());
    Action("actionPaste")->trigger();

    ASSERT_EQ(Windows().size(), 2);
    QMdiSubWindow* pastedWindow = m_frame->MdiArea()->activeSubWindow();
    auto* pasted = static_cast<CKorvoDoc*>(DocOf(pastedWindow));
    EXPECT_EQ(pastedWindow->windowTitle(), QStringLiteral("Clipboard"));
    EXPECT_EQ(Bytes(pasted->m_hDib), original);
    EXPECT_EQ(pasted->m_palette.size(), 252u); // a palette picture brings its colour table
    EXPECT_TRUE(pasted->m_canReduce);

    Windows().first()->close();
    QApplication::processEvents();
    ASSERT_EQ(Windows().size(), 1);
    EXPECT_EQ(Bytes(pasted->m_hDib), original);
}

// The dialog on the program's own registry: switching every plug-in off is written to the
// settings file and leaves none loaded.
TEST_F(DesktopRun, PluginSettingsCommandWritesTheInactiveList) {
    QDir(m_files.path()).mkdir(QStringLiteral("spi"));
    const QString folder = m_files.filePath(QStringLiteral("spi"));
    for (const char* name : {"two.spi", "one.spi"})
        QFile(folder + QLatin1Char('/') + QLatin1String(name)).open(QIODevice::WriteOnly);
    m_answers[QStringLiteral("susieDialog")] = [folder](QDialog& d) {
        d.findChild<QLineEdit*>(QStringLiteral("editFolder"))->setText(folder);
        d.findChild<QAbstractButton*>(QStringLiteral("buttonRereadFolder"))->click();
        auto* active = d.findChild<QListWidget*>(QStringLiteral("listActive"));
        ASSERT_EQ(active->count(), 2);
        active->selectAll();
        d.findChild<QAbstractButton*>(QStringLiteral("buttonRemove"))->click();
    };
    ASSERT_TRUE(Action("actionPluginSettings")->isEnabled());
    Action("actionPluginSettings")->trigger();
    EXPECT_EQ(m_dialogs, QStringList{"susieDialog"});
    EXPECT_EQ(AppendSeparator(m_frame->Plugins().Folder()), AppendSeparator(folder));
    EXPECT_TRUE(m_frame->Plugins().Loaded().empty());
    QSettings s(SettingsFilePath(), QSettings::IniFormat);
    EXPECT_EQ(s.value(QStringLiteral("Plugins/1")).toString(), QStringLiteral("one.spi"));
    EXPECT_EQ(s.value(QStringLiteral("Plugins/2")).toString(), QStringLiteral("two.spi"));
}

TEST_F(DesktopRun, SeveralFilesOpenOneBatchWindow) {
    const QStringList files = {m_files.filePath("a.bmp"), m_files.filePath("b c.png"),
                               m_files.filePath("d.jpg")};
    SetFileDialogRunner([&](QWidget*, const FileDialogRequest&) {
        return std::optional<FileDialogAnswer>(FileDialogAnswer{files, 1});
    });
    QGuiApplication::clipboard()->setImage(QImage(2, 2, QImage::Format_RGB32));
    Action("actionOpen")->trigger();
    ASSERT_EQ(Windows().size(), 1);
    QMdiSubWindow* window = Windows().first();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Batch"));
    auto* view = qobject_cast<CBatchView*>(window->widget());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->toPlainText(),
              QStringLiteral("1: %1\n2: %2\n3: %3\n").arg(files[0], files[1], files[2]));
    EXPECT_TRUE(view->isReadOnly());
    EXPECT_FALSE(Action("actionSaveAs")->isEnabled());
    EXPECT_FALSE(Action("actionPaste")->isEnabled());
    EXPECT_FALSE(Action("actionReduce")->isEnabled());
    window->close(); // nothing to save, nothing asked
    QApplication::processEvents();
    EXPECT_TRUE(Windows().isEmpty());
    EXPECT_TRUE(m_notices.isEmpty());
}

TEST_F(DesktopRun, NewOffersPictureOrBatch) {
    for (int row : {0, 1}) {
        m_answers[QStringLiteral("newTypeDialog")] = [row](QDialog& d) {
            d.findChild<QListWidget*>(QStringLiteral("listNewType"))->setCurrentRow(row);
        };
        Action("actionNew")->trigger();
    }
    ASSERT_EQ(Windows().size(), 2);
    auto* image = qobject_cast<CKorvoDoc*>(DocOf(Windows()[0]));
    ASSERT_NE(image, nullptr);
    EXPECT_FALSE(image->HasDib());
    EXPECT_NE(qobject_cast<CBatchView*>(Windows()[1]->widget()), nullptr);
    m_answers.clear();
    Action("actionNew")->trigger(); // cancelled: nothing new
    EXPECT_EQ(Windows().size(), 2);
}

TEST_F(DesktopRun, PanelSettingsSurviveARestart) {
    CControllPanel& panel = m_frame->ControlPanel();
    *std::get<int*>(panel.FindSetting(QStringLiteral("numBit"))->member) = 77;
    *std::get<int*>(panel.FindSetting(QStringLiteral("magWB"))->member) = 3;
    *std::get<QString*>(panel.FindSetting(QStringLiteral("BatchPath"))->member) =
        QStringLiteral("/out/here");
    m_app.reset(); // written at exit
    {
        QSettings s(SettingsFilePath(), QSettings::IniFormat);
        EXPECT_EQ(s.value(QStringLiteral("ControllPanel/numBit")).toInt(), 77);
        EXPECT_EQ(s.value(QStringLiteral("ControllPanel/BitSet")).toInt(), 0);
        EXPECT_EQ(s.value(QStringLiteral("ControllPanel/DitherLevel")).toInt(), 7);
        s.remove(QStringLiteral("ControllPanel/DitherLevel")); // a missing key reads as 0
    }
    m_app = std::make_unique<CKorvoApp>();
    ASSERT_TRUE(m_app->InitInstance({}));
    m_frame = m_app->MainFrame();
    const PanelValues v = m_frame->ControlPanel().GetPanelValues();
    EXPECT_EQ(v.m_nNumBit, 77);
    EXPECT_EQ(v.m_nMagWB, 3);
    EXPECT_EQ(v.m_nDitherLevel, 0);
    EXPECT_EQ(*std::get<QString*>(
                  m_frame->ControlPanel().FindSetting(QStringLiteral("BatchPath"))->member),
              QStringLiteral("/out/here"));
}
