// A quantization run started as a user does: Reduce colors, the control panel, the worker, the
// progress bar, Cancel, the guards while it runs, the result window, and the runs that end
// without a result.
#include "app_test_support.h"
#include "desktop/control_panel.h"
#include "desktop/main_status_bar.h"
#include "desktop/quant_sign.h"
#include "document/korvo_doc.h"
#include "image/bmp_file.h"
#include "tests/support/dib_builder.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QProgressBar>
#include <QTest>
#include <memory>

class TestQuantRun : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_s = std::make_unique<DesktopSession>();
        QVERIFY(m_s->StartTrusted());
        Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        // The machine running the tests may be busy; a run at idle priority could starve.
        Frame()->m_runPriority = QThread::NormalPriority;
    }
    void cleanup() { m_s.reset(); }

    // A user's run: 16 colours with error diffusion on a photo gives the same picture as the
    // command-line front end with the same choices.
    void fullRunOpensTheResultLikeTheCommandLine() {
        const QString source = QStringLiteral(XKORVO_TEST_DATA "/bmpsuite/g/rgb24.bmp");
        CKorvoDoc* doc = Frame()->OpenDocumentFile(source);
        QVERIFY(doc);
        m_s->AnswerPanel([](CControllPanel& panel) {
            panel.findChild<QAbstractButton*>(QStringLiteral("radioBitSet1"))->click();
            panel.findChild<QComboBox*>(QStringLiteral("comboDitherMode"))->setCurrentIndex(2);
        });
        QVERIFY(m_s->Action("actionReduce")->isEnabled());
        m_s->Action("actionReduce")->trigger();
        QCOMPARE(m_s->rec.Dialogs(), QStringList{"controlPanel"});
        QVERIFY(m_s->WaitForRunEnd());

        QCOMPARE(m_s->Windows().size(), 2);
        auto* result =
            static_cast<CKorvoDoc*>(m_s->DocumentOf(Frame()->MdiArea()->activeSubWindow()));
        QCOMPARE(Frame()->MdiArea()->activeSubWindow()->windowTitle(),
                 QStringLiteral("rgb24.bmp(16)"));
        QVERIFY(!result->m_canReduce);
        QVERIFY(!m_s->Action("actionReduce")->isEnabled()); // a result is never reduced again
        QCOMPARE(m_s->rec.Beeps(NoticeIcon::Information), 1);
        QVERIFY(!doc->m_running);

        const QString cliOut = m_s->files.filePath("cli.bmp");
        QProcess cli;
        cli.start(QStringLiteral(XKORVO_BIN_DIR "/xkorvo-cli"),
                  {"-q", "-c", "16", "-d", "diffusion", source, cliOut});
        QVERIFY(cli.waitForFinished(120000));
        QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
        const BmpReadResult expected = DibReadFile(cliOut.toStdString());
        QVERIFY(expected.dib);
        QCOMPARE(DibGetColorCount(expected.dib.data()), 16);
        QCOMPARE(Bytes(result->m_hDib), Bytes(expected.dib));
    }

    // A cancelled control panel starts nothing. Cancel while a long run is under way; meanwhile
    // Reduce is off on every picture, and the source window, Close all and the program itself
    // all stay, silently.
    void cancelDuringARunAndTheGuardsMeanwhile() {
        CKorvoDoc* doc = Frame()->OpenDocumentFile(m_s->File("big.bmp", Noise(400, 300)));
        QVERIFY(doc);
        QVERIFY(Frame()->OpenDocumentFile(m_s->File("small.bmp", Noise(8, 8))));
        Frame()->MdiArea()->setActiveSubWindow(m_s->Windows().first());
        m_s->Action("actionReduce")->trigger(); // the panel cancelled: nothing starts
        QVERIFY(!m_s->RunState().m_bRunning);
        QVERIFY(!m_s->Action("actionCancel")->isEnabled());
        m_s->Action("actionCancel")->trigger(); // Cancel without a run does nothing
        QCOMPARE(m_s->RunState().m_signal.m_bCancel.load(), 0);
        const RunHold hold(*m_s); // however fast the machine, the run is under way until cancelled
        m_s->AnswerPanel();
        m_s->Action("actionReduce")->trigger();
        QVERIFY(m_s->RunState().m_bRunning);

        QVERIFY(!m_s->Action("actionReduce")->isEnabled());
        QVERIFY(m_s->Action("actionCancel")->isEnabled());
        QCOMPARE(StatusBar()->IdleText(), QStringLiteral("Quantizing, please wait..."));
        Frame()->MdiArea()->setActiveSubWindow(m_s->Windows().last());
        QVERIFY(!m_s->Action("actionReduce")->isEnabled());
        m_s->Windows().first()->close();
        m_s->Action("actionCloseAll")->trigger();
        QApplication::processEvents();
        QCOMPARE(m_s->Windows().size(), 1); // the other picture closed, the source stays
        QCOMPARE(m_s->DocumentOf(m_s->Windows().first()), doc);
        QVERIFY(!Frame()->close());
        QCOMPARE(m_s->rec.Messages(), QStringList());

        // The engine clears a request made before it starts, so cancel once it reports progress.
        QVERIFY(QTest::qWaitFor([this] { return m_s->RunState().m_signal.m_nProgress.load() > 0; },
                                60000));
        QTest::qWait(1100); // one tick of the progress timer
        QVERIFY(StatusBar()->Progress()->value() > 0);
        // The panel had the focus last; the main window is the active one again.
        Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        QTest::keyClick(Frame(), Qt::Key_Escape);
        QCOMPARE(m_s->RunState().m_signal.m_bCancel.load(), 1);
        QVERIFY(m_s->WaitForRunEnd());

        QCOMPARE(m_s->Windows().size(), 1);
        QCOMPARE((QList<int>{m_s->rec.Beeps(NoticeIcon::Warning),
                             m_s->rec.Beeps(NoticeIcon::Information)}),
                 (QList<int>{1, 0}));
        QCOMPARE(StatusBar()->Progress()->value(), 0);
        QCOMPARE(StatusBar()->IdleText(), QString());
        QVERIFY(m_s->Action("actionReduce")->isEnabled() &&
                !m_s->Action("actionCancel")->isEnabled());
        QVERIFY(!doc->m_running);
    }

    // Pictures the window shows but a run cannot unpack: the status bar says so when they open, and
    // a run on them ends with the warning beep and the reason in the status bar.
    void pictureThatCannotBeReducedSaysWhy_data() {
        QTest::addColumn<std::vector<std::uint8_t>>("file");
        QTest::addColumn<QString>("reason");
        // 2 x 1, 1 bit, black and white.
        QTest::newRow("core.bmp") << BitmapFile({12, 2, 1, 1, 1},
                                                {0, 0, 0, 255, 255, 255, 0x40, 0, 0, 0})
                                  << "the picture has a 12-byte core header";
        // 4 x 2, 8-bit run-length codes, 4 colours: a run of 5 in a row of 4.
        QTest::newRow("rle.bmp") << BitmapFile({40, 4, 2, 1, 8, 1, 4, 4},
                                               Concat(std::vector<std::uint8_t>(16), {5, 1, 0, 1}))
                                 << "the run-length codes reach outside the picture";
    }

    void pictureThatCannotBeReducedSaysWhy() {
        QFETCH(std::vector<std::uint8_t>, file);
        QFETCH(QString, reason);
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        CKorvoDoc* doc = Frame()->OpenDocumentFile(m_s->File(name, file));
        QVERIFY(doc);
        QVERIFY(!doc->DisplayImage().isNull());
        QCOMPARE(StatusBar()->IdleText(),
                 name + " can be shown, but its colors cannot be reduced: " + reason);

        m_s->AnswerPanel();
        QVERIFY(m_s->Action("actionReduce")->isEnabled());
        m_s->Action("actionReduce")->trigger();
        QVERIFY(m_s->WaitForRunEnd());
        QCOMPARE(m_s->rec.Beeps(NoticeIcon::Warning), 1);
        QCOMPARE(Frame()->MdiArea()->activeSubWindow()->windowTitle(), name);
        QCOMPARE(StatusBar()->IdleText(), "Cannot reduce the colors of " + name + ": " + reason);
        // A picture that can be reduced leaves nothing to tell.
        QVERIFY(Frame()->OpenDocumentFile(m_s->File("fine.bmp", Noise(4, 4))));
        QCOMPARE(StatusBar()->IdleText(), QString());
    }

private:
    CMainFrame* Frame() const { return m_s->frame; }
    CMainStatusBar* StatusBar() const { return Frame()->StatusBar(); }

    std::unique_ptr<DesktopSession> m_s;
};

QTEST_MAIN(TestQuantRun)
#include "quant_run_test.moc"
