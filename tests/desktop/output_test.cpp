// Results out of the desktop program and palettes into it, driven as a user does: Save As in the
// three picture formats, Save palette as, a run mapped onto a palette file, and a batch window's
// Reduce all, which writes what the command-line front end writes.
#include "app_test_support.h"
#include "desktop/batch_view.h"
#include "desktop/browse_for_folder.h"
#include "desktop/control_panel.h"
#include "desktop/file_dialogs.h"
#include "desktop/panel_page_batch.h"
#include "desktop/panel_page_engine.h"
#include "desktop/panel_page_main.h"
#include "desktop/panel_page_transmission.h"
#include "document/korvo_doc.h"
#include "export/indexed_picture.h"
#include "export/palette_file.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMdiSubWindow>
#include <QProcess>
#include <QTest>

namespace {

std::vector<std::uint32_t> ColoursOf(const CKorvoDoc& doc) {
    std::vector<std::uint32_t> colours;
    for (const std::uint32_t entry : doc.m_palette)
        colours.push_back(entry & 0xFFFFFF);
    return colours;
}

} // namespace

class TestOutput : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_s = std::make_unique<DesktopSession>();
        QVERIFY(m_s->StartTrusted());
        Frame()->m_runPriority = QThread::NormalPriority;
        Panel().m_pMainPage->m_nBitSet = 1; // 16 colours
    }
    void cleanup() { m_s.reset(); }

    // The typed extension names the format, else the filter chosen; the Batch page's variants
    // apply; a reserved entry is transparent, and a GIF87a that needs one is written as 89a with
    // a word to the user. Qt's readers see the result's pixels.
    void saveAsWritesTheChosenFormat_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("filter");  // 1 all files, 2 BMP, 3 PNG, 4 GIF
        QTest::addColumn<int>("variant"); // PngMode or GifMode
        QTest::addColumn<bool>("transparent");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("header"); // the first bytes; of a PNG the interlace byte
        QTest::newRow("PNG by filter, interlaced")
            << "o" << 3 << 1 << false << "o.png" << QByteArray(1, 1);
        QTest::newRow("PNG by typed extension, transparent")
            << "o.PNG" << 2 << 0 << true << "o.PNG" << QByteArray(1, 0);
        QTest::newRow("GIF87a by typed extension")
            << "o.gif" << 1 << 1 << false << "o.gif" << QByteArray("GIF87a");
        QTest::newRow("GIF87a by filter, transparent: 89a")
            << "o" << 4 << 0 << true << "o.gif" << QByteArray("GIF89a");
        QTest::newRow("BMP for another extension")
            << "o.x" << 1 << 0 << false << "o.x" << QByteArray("BM");
    }
    void saveAsWritesTheChosenFormat() {
        QFETCH(QString, typed);
        QFETCH(int, filter);
        QFETCH(int, variant);
        QFETCH(bool, transparent);
        QFETCH(QString, written);
        QFETCH(QByteArray, header);
        Panel().m_pTransmissionPage->m_bTransMode = transparent;
        Panel().m_pBatchPage->m_bPngMode = Panel().m_pBatchPage->m_nGifMode = variant;
        CKorvoDoc* result = Reduce(m_s->File("photo.bmp", Noise(24, 16)));
        QVERIFY(result);
        QCOMPARE(result->m_transparentIndex >= 0, transparent);
        AnswerFileDialogs({m_s->files.filePath(typed)}, filter);
        m_s->Action("actionSaveAs")->trigger();

        const QString path = m_s->files.filePath(written);
        const QByteArray bytes = ReadFile(path);
        const bool png = written.endsWith(QLatin1String("png"), Qt::CaseInsensitive);
        QCOMPARE(png ? bytes.mid(28, 1) : bytes.left(header.size()), header);
        QCOMPARE(png && bytes.contains("tRNS"), png && transparent);
        QCOMPARE(m_s->rec.Messages(),
                 transparent && header == "GIF89a"
                     ? QStringList{path + ": written as GIF89a: a transparent colour needs it"}
                     : QStringList());
        const QImage read =
            QImage(path, header == "BM" ? "BMP" : nullptr).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(read.size(), QSize(24, 16));
        std::string why;
        const IndexedPicture indexed = ToIndexed(result->m_hDib, why);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 24; ++x) {
                QCOMPARE(read.pixel(x, y) & 0xFFFFFFu,
                         result->DisplayImage().pixel(x, y) & 0xFFFFFFu);
                QCOMPARE(qAlpha(read.pixel(x, y)) == 0,
                         indexed.indices[std::size_t(y * 24 + x)] == result->m_transparentIndex);
            }
        }
    }

    // Save palette as, for a result only: the typed extension, else the filter, names the format;
    // the file reads back as the result's colour table, a colour table with its transparent entry.
    void savePaletteWritesTheResultsColours() {
        Panel().m_pTransmissionPage->m_bTransMode = 1;
        CKorvoDoc* result = Reduce(m_s->File("photo.bmp", Noise(24, 16)));
        QVERIFY(result && result->m_transparentIndex >= 0);
        for (const auto& [typed, filter, written] :
             {std::tuple{"p.act", 1, "p.act"}, std::tuple{"p", 3, "p.pal"}}) {
            AnswerFileDialogs({m_s->files.filePath(QString::fromLatin1(typed))}, filter);
            m_s->Action("actionSavePalette")->trigger();
            const PaletteRead read =
                ReadPaletteFile(m_s->files.filePath(QString::fromLatin1(written)).toStdString());
            QVERIFY2(read.error.empty(), read.error.c_str());
            QCOMPARE(read.palette.colors, ColoursOf(*result));
            QCOMPARE(read.palette.transparentIndex, filter == 1 ? result->m_transparentIndex : -1);
        }
        QCOMPARE(m_s->rec.Messages(), QStringList());
        Frame()->MdiArea()->setActiveSubWindow(m_s->Windows().first()); // the source
        QVERIFY(!m_s->Action("actionSavePalette")->isEnabled());
    }

    // "Palette: from file..." on the Main page: a file that gives no palette is refused with its
    // line and nothing runs; with a good one, count, fixed colours and precisions go off, the
    // choice is kept in the settings file, and the result holds exactly the file's colours.
    void runMapsOntoThePaletteFile() {
        const QString bad = m_s->File("bad.gpl", QByteArray("GIMP Palette\n0 0 0\n255 255\n"));
        Panel().m_pMainPage->m_strPaletteFile = bad;
        QVERIFY(!Reduce(m_s->File("photo.bmp", Noise(24, 16))));
        QCOMPARE(m_s->rec.Messages(),
                 QStringList{"Cannot use the palette.\n" + bad +
                             ": not a usable palette: line 3: expected three numbers 0..255 "
                             "(red, green, blue)"});
        QCOMPARE(m_s->Windows().size(), 1);

        const QString hex =
            m_s->File("five.hex", QByteArray("ff0000\n00FF00\n#0000ff\nffffff\n000000\n"));
        AnswerFileDialogs({hex});
        QStringList enabled;
        CKorvoDoc* result = Reduce({}, [&](CControllPanel& panel) {
            panel.findChild<QAbstractButton*>(QStringLiteral("radioPaletteFile"))->click();
            for (const char* name : {"radioBitSet0", "editNumBit", "checkAdd16", "comboInBit",
                                     "comboOutBit", "checkRefine", "comboDitherMode"})
                if (panel.findChild<QWidget*>(QString::fromLatin1(name))->isEnabled())
                    enabled << QString::fromLatin1(name);
        });
        QVERIFY(result);
        QCOMPARE(enabled, QStringList{"comboDitherMode"});
        QCOMPARE(ColoursOf(*result),
                 (std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000}));
        m_s->End();
        QCOMPARE(ReadSetting(QStringLiteral("ControllPanel/PaletteFile")).toString(), hex);
    }

    // Reduce all writes, file for file, the bytes xkorvo-cli -o DIR writes with the same
    // settings, and logs one line per file; the folder is asked for when the Batch page has none.
    void reduceAllWritesWhatTheCommandLineWrites() {
        const QString palette = m_s->File("three.hex", QByteArray("ff0000\n00ff00\n0000ff\n"));
        const QStringList inputs = {m_s->File("a.bmp", Noise(24, 16, 1)),
                                    m_s->File("b.bmp", Noise(17, 9, 2)),
                                    m_s->File("bad.bmp", QByteArray("BM not a picture"))};
        const QString dir = m_s->files.filePath(QStringLiteral("desktop"));
        SetBrowseForFolderFunction([dir](QWidget*, QString& folder, const QString&) {
            folder = dir;
            return true;
        });
        Panel().m_pMainPage->m_strPaletteFile = palette;
        Panel().m_pMainPage->m_nDitherMode = 2;
        Panel().m_pEnginePage->m_nOutBit = 3; // a palette file leaves it nothing to do
        Panel().m_pTransmissionPage->m_bTransMode = 1;
        Panel().m_pBatchPage->m_nBatchFileType = 2;
        Panel().m_pBatchPage->m_nGifMode = 1; // 87a interlaced
        CBatchView* log = ReduceAll(inputs);
        QVERIFY(log);
        QCOMPARE(Panel().m_pBatchPage->m_strBatchPath, dir); // the folder chosen is kept

        QProcess cli;
        cli.start(QStringLiteral(XKORVO_BIN_DIR "/xkorvo-cli"),
                  QStringList{"-q", "-o", m_s->files.filePath(QStringLiteral("cli")), "-p", palette,
                              "-d", "diffusion", "-t", "lower-right", "-f", "gif", "--gif-variant",
                              "87a", "--gif-interlace"} +
                      inputs);
        QVERIFY(cli.waitForFinished(120000));
        QCOMPARE(cli.exitCode(), 2); // the file that is no picture
        for (const QString name : {"/a.gif", "/b.gif"}) {
            QVERIFY(!ReadFile(dir + name).isEmpty());
            QCOMPARE(ReadFile(dir + name), ReadFile(m_s->files.filePath("cli") + name));
        }
        const QStringList lines = log->toPlainText().split(QLatin1Char('\n')).mid(3);
        QCOMPARE(
            lines.mid(0, 2),
            (QStringList{"Reduce all: 3 files into " + dir + " as GIF",
                         "1: " + inputs[0] + " -> " + dir +
                             "/a.gif: done (written as GIF89a: a transparent colour needs it)"}));
        // The reason of the file that failed, as the command line gives it.
        const QString reason = lines.value(3).section(QStringLiteral(": "), 2);
        QCOMPARE(lines.value(3), "3: " + inputs[2] + ": " + reason);
        QVERIFY(QString::fromLocal8Bit(cli.readAllStandardError()).contains(": " + reason + "\n"));
        QCOMPARE(lines.value(4), QStringLiteral("2 done, 1 failed"));
    }

    // Files already in the folder are replaced only when the user agrees, once per batch: No
    // keeps them and writes the others, Cancel starts nothing, Yes replaces them.
    void existingFilesAreReplacedOnlyWhenTheUserAgrees() {
        const QString dir = m_s->files.filePath(QStringLiteral("out"));
        Panel().m_pBatchPage->m_strBatchPath = dir;
        QVERIFY(QDir().mkpath(dir));
        const QString kept = m_s->File("out/a.bmp", QByteArray("the old a"));
        const QStringList inputs = {m_s->File("a.bmp", Noise(8, 8, 1)),
                                    m_s->File("b.bmp", Noise(8, 8, 2))};
        CBatchView* log = nullptr;
        for (const QString button : {"No", "Cancel", "Yes"}) {
            m_s->rec.Clear();
            m_s->rec.m_answers[QStringLiteral("replaceQuestion")] = [button](QDialog& d) {
                for (QAbstractButton* b : d.findChildren<QAbstractButton*>())
                    if (b->text().remove(QLatin1Char('&')) == button)
                        b->click();
            };
            log = ReduceAll(inputs, log);
            QVERIFY(log);
            QVERIFY(m_s->rec.Dialogs().contains(QStringLiteral("replaceQuestion")));
            QCOMPARE(ReadFile(kept) == "the old a", button != "Yes");
            QVERIFY(ReadFile(dir + "/b.bmp").startsWith("BM"));
        }
        QVERIFY(
            log->toPlainText().contains("1: " + inputs[0] + ": " + kept + " exists and is kept"));
        QCOMPARE(log->toPlainText().count(QStringLiteral("Reduce all:")), 2); // Cancel ran nothing
    }

    // A batch is the program's one run: Reduce all is off, the batch window and the program stay
    // open, and Cancel stops it.
    void batchIsTheOneRunAndCancelStopsIt() {
        const QString dir = m_s->files.filePath(QStringLiteral("out"));
        Panel().m_pBatchPage->m_strBatchPath = dir;
        const RunHold hold(*m_s); // however fast the machine, the first file is under way
        CBatchView* log =
            ReduceAll({m_s->File("big.bmp", Noise(400, 300)), m_s->File("small.bmp", Noise(4, 4))},
                      nullptr, false);
        QVERIFY(log && m_s->RunState().m_bRunning);
        QVERIFY(!m_s->Action("actionReduceAll")->isEnabled());
        QVERIFY(!Frame()->close());
        m_s->Windows().last()->close();
        QCOMPARE(m_s->Windows().size(), 1);
        QVERIFY(QTest::qWaitFor([this] { return m_s->RunState().m_signal.m_nProgress.load() > 0; },
                                60000));
        m_s->Action("actionCancel")->trigger();
        QVERIFY(m_s->WaitForRunEnd());
        QVERIFY(log->toPlainText().endsWith(QStringLiteral("0 done, 1 failed, cancelled\n")));
        QVERIFY(!QFileInfo::exists(dir + "/small.bmp"));
        QVERIFY(m_s->Action("actionReduceAll")->isEnabled());
    }

private:
    CMainFrame* Frame() const { return m_s->frame; }
    CControllPanel& Panel() const { return Frame()->ControlPanel(); }
    // The result of reducing `file` (none: the active picture) with the panel as it stands,
    // changed by `setUp`, then OK; nullptr when there is none.
    CKorvoDoc* Reduce(const QString& file, std::function<void(CControllPanel&)> setUp = {}) {
        if (!file.isEmpty() && !Frame()->OpenDocumentFile(file))
            return nullptr;
        m_s->AnswerPanel(setUp);
        const qsizetype windows = m_s->Windows().size();
        m_s->Action("actionReduce")->trigger();
        if (!m_s->WaitForRunEnd() || m_s->Windows().size() == windows)
            return nullptr;
        return static_cast<CKorvoDoc*>(m_s->DocumentOf(Frame()->MdiArea()->activeSubWindow()));
    }
    // Reduce all over `files` in a new batch window, or again in `log`'s, with the panel as it
    // stands; its log once the run has ended (`wait`), nullptr when it did not start.
    CBatchView* ReduceAll(const QStringList& files, CBatchView* log = nullptr, bool wait = true) {
        if (!log) {
            AnswerFileDialogs(files);
            m_s->Action("actionOpen")->trigger();
            log = qobject_cast<CBatchView*>(Frame()->MdiArea()->activeSubWindow()->widget());
        }
        // A question box shown before leaves the main window inactive, and with it the window
        // whose commands are enabled.
        Frame()->activateWindow();
        if (!log || !QTest::qWaitForWindowActive(Frame()) ||
            !m_s->Action("actionReduceAll")->isEnabled())
            return nullptr;
        m_s->AnswerPanel();
        m_s->Action("actionReduceAll")->trigger();
        if (wait && !m_s->WaitForRunEnd())
            return nullptr;
        return log;
    }

    std::unique_ptr<DesktopSession> m_s;
};

QTEST_MAIN(TestOutput)
#include "output_test.moc"
