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
#include <csignal>
#include <random>
#include <sys/resource.h>

namespace {

// The file dialogs answer with `file` under the filter `filterIndex` (0: the one proposed).
void AnswerFileDialogs(const QString& file, int filterIndex = 0) {
    SetFileDialogRunner([file, filterIndex](QWidget*, const FileDialogRequest& request) {
        return std::optional<FileDialogAnswer>(
            FileDialogAnswer{{file}, filterIndex ? filterIndex : request.filterIndex});
    });
}

// A picture of many colours, from a fixed seed.
std::vector<std::uint8_t> Noise(int width, int height, unsigned seed = 7) {
    std::mt19937 random(seed);
    std::vector<std::uint32_t> pixels(std::size_t(width) * std::size_t(height));
    for (std::uint32_t& pixel : pixels)
        pixel = random() & 0xFFFFFF;
    return Bmp24(width, height, pixels);
}

// Sets the control panel up for a batch; the second argument is the test's palette file.
using PanelSetUp = std::function<void(CControllPanel&, const QString&)>;

} // namespace

class TestOutput : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_s = std::make_unique<DesktopSession>();
        QVERIFY(m_s->StartTrusted());
        Frame()->m_runPriority = QThread::NormalPriority;
        Panel().m_pPage1->m_nBitSet = 1; // 16 colours
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
        QTest::addColumn<QByteArray>("header"); // the first bytes, PNG: the interlace byte
        QTest::newRow("PNG by filter, interlaced")
            << "out" << 3 << 1 << false << "out.png" << QByteArray("\x01", 1);
        QTest::newRow("PNG by typed extension, transparent")
            << "out.PNG" << 2 << 0 << true << "out.PNG" << QByteArray("\x00", 1);
        QTest::newRow("GIF87a by typed extension")
            << "out.gif" << 1 << 1 << false << "out.gif" << QByteArray("GIF87a");
        QTest::newRow("GIF87a by filter, transparent: 89a")
            << "out" << 4 << 0 << true << "out.gif" << QByteArray("GIF89a");
        QTest::newRow("BMP for an unknown extension under all files")
            << "out.x" << 1 << 0 << false << "out.x" << QByteArray("BM");
    }
    void saveAsWritesTheChosenFormat() {
        QFETCH(QString, typed);
        QFETCH(int, filter);
        QFETCH(int, variant);
        QFETCH(bool, transparent);
        QFETCH(QString, written);
        QFETCH(QByteArray, header);
        Panel().m_pPage3->m_bTransMode = transparent;
        Panel().m_pPage4->m_bPngMode = variant;
        Panel().m_pPage4->m_nGifMode = variant;
        CKorvoDoc* result = Reduce(m_s->File("photo.bmp", Noise(24, 16)));
        QVERIFY(result);
        QCOMPARE(result->m_transparentIndex >= 0, transparent);

        AnswerFileDialogs(m_s->files.filePath(typed), filter);
        m_s->Action("actionSaveAs")->trigger();
        const QString path = m_s->files.filePath(written);
        const QByteArray bytes = ReadFile(path);
        const bool png = written.endsWith(QLatin1String("png"), Qt::CaseInsensitive);
        QCOMPARE(png ? bytes.mid(28, 1) : bytes.left(header.size()), header);
        QCOMPARE(png && bytes.contains("tRNS"), png && transparent);
        const bool madeGif89a = transparent && header == "GIF89a";
        QCOMPARE(m_s->rec.Messages(),
                 madeGif89a
                     ? QStringList{path + ": written as GIF89a: a transparent colour needs it"}
                     : QStringList());

        QImage read(path, header.startsWith("BM") ? "BMP" : nullptr);
        QCOMPARE(read.size(), QSize(24, 16));
        read = read.convertToFormat(QImage::Format_ARGB32);
        std::string why;
        const IndexedPicture indexed = ToIndexed(result->m_hDib, why);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 24; ++x) {
                const QRgb pixel = read.pixel(x, y);
                QCOMPARE(pixel & 0xFFFFFFu, result->DisplayImage().pixel(x, y) & 0xFFFFFFu);
                const bool clear =
                    indexed.indices[std::size_t(y * 24 + x)] == result->m_transparentIndex;
                QCOMPARE(qAlpha(pixel) == 0, clear && header != "BM");
            }
        }
    }

    // A PNG that cannot be written whole leaves the file it was to replace as it was.
    void failedPngSaveKeepsTheOldFile() {
        QVERIFY(Reduce(m_s->File("photo.bmp", Noise(24, 16))));
        const QString target = m_s->File("old.png", QByteArray("the old file"));
        AnswerFileDialogs(target);
        // Writes beyond 64 bytes fail (EFBIG) while the PNG file is being written.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 64;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        m_s->Action("actionSaveAs")->trigger();
        setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(m_s->rec.Messages().size(), 1);
        QVERIFY(m_s->rec.Messages().first().startsWith("Cannot save the file.\n" + target + ": "));
        QCOMPARE(ReadFile(target), QByteArray("the old file"));
        QCOMPARE(QDir(m_s->files.path()).entryList(QDir::Files).size(), 2); // no temporary left
    }

    // Save palette as, only for a result: the typed extension or the chosen filter names the
    // format; every format reads back as the result's colour table, a colour table with its
    // transparent entry.
    void savePaletteWritesTheResultsColours() {
        Panel().m_pPage3->m_bTransMode = 1;
        CKorvoDoc* result = Reduce(m_s->File("photo.bmp", Noise(24, 16)));
        QVERIFY(result);
        QVERIFY(m_s->Action("actionSavePalette")->isEnabled());
        std::vector<std::uint32_t> colours;
        for (const std::uint32_t entry : result->m_palette)
            colours.push_back(entry & 0xFFFFFF);
        const struct {
            const char* typed;
            int filter; // 1 GIMP, 2 colour table, 3 JASC, 4 hex
            const char* written;
        } saves[] = {
            {"p.act", 1, "p.act"}, {"p", 3, "p.pal"}, {"p.HEX", 2, "p.HEX"}, {"q", 1, "q.gpl"}};
        for (const auto& save : saves) {
            AnswerFileDialogs(m_s->files.filePath(QString::fromLatin1(save.typed)), save.filter);
            m_s->Action("actionSavePalette")->trigger();
            const PaletteRead read = ReadPaletteFile(
                m_s->files.filePath(QString::fromLatin1(save.written)).toStdString());
            QVERIFY2(read.error.empty(), read.error.c_str());
            QCOMPARE(read.palette.colors, colours);
            const bool table = QByteArray(save.written).endsWith(".act");
            QCOMPARE(read.palette.transparentIndex, table ? result->m_transparentIndex : -1);
        }
        QVERIFY(result->m_transparentIndex >= 0);
        QCOMPARE(m_s->rec.Messages(), QStringList());
        Frame()->MdiArea()->setActiveSubWindow(m_s->Windows().first()); // the source
        QVERIFY(!m_s->Action("actionSavePalette")->isEnabled());
    }

    // "Palette: from file..." on the Main page: count, fixed colours and precisions go off, the
    // choice is kept in the settings file, and the result holds exactly the file's colours.
    void runMapsOntoThePaletteFile() {
        const std::vector<std::uint32_t> five = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000};
        const QString hex =
            m_s->File("five.hex", QByteArray("ff0000\n00FF00\n#0000ff\nffffff\n000000\n"));
        AnswerFileDialogs(hex);
        QStringList enabled;
        CKorvoDoc* result =
            Reduce(m_s->File("photo.bmp", Noise(24, 16)), [&](CControllPanel& panel) {
                panel.findChild<QAbstractButton*>(QStringLiteral("radioPaletteFile"))->click();
                for (const char* name : {"radioBitSet0", "editNumBit", "checkAdd16", "comboInBit",
                                         "comboOutBit", "checkRefine", "comboDitherMode"})
                    if (panel.findChild<QWidget*>(QString::fromLatin1(name))->isEnabled())
                        enabled << QString::fromLatin1(name);
            });
        QVERIFY(result);
        QCOMPARE(enabled, QStringList{"comboDitherMode"});
        std::vector<std::uint32_t> table;
        for (const std::uint32_t entry : result->m_palette)
            table.push_back(entry & 0xFFFFFF);
        QCOMPARE(table, five);
        m_s->End();
        QCOMPARE(ReadSetting(QStringLiteral("ControllPanel/PaletteFile")).toString(), hex);
    }

    // A file that gives no palette is refused with the line or byte at fault; nothing runs.
    void unusablePaletteFileStartsNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("GIMP palette, bad line")
            << "bad.gpl" << QByteArray("GIMP Palette\n0 0 0\n255 255\n")
            << "line 3: expected three numbers 0..255 (red, green, blue)";
        QTest::newRow("colour table cut short")
            << "short.act" << QByteArray(700, '\0')
            << "byte 700: the file ends; a colour table is 768 or 772 bytes long";
        const std::vector<std::uint8_t> many = Noise(20, 15);
        QTest::newRow("picture of 300 colours")
            << "many.bmp"
            << QByteArray(reinterpret_cast<const char*>(many.data()), qsizetype(many.size()))
            << "the picture has more than 256 colours";
    }
    void unusablePaletteFileStartsNothing() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const QString file = m_s->File(name, bytes);
        Panel().m_pPage1->m_strPaletteFile = file;
        QVERIFY(!Reduce(m_s->File("photo.bmp", Noise(4, 4))));
        QCOMPARE(m_s->rec.Messages(), QStringList{"Cannot use the palette.\n" + file +
                                                  ": not a usable palette: " + reason});
        QCOMPARE(m_s->Windows().size(), 1);
    }

    // Reduce all writes, file for file, the bytes xkorvo-cli -o DIR writes with the same
    // settings, and logs one line per file; the folder is asked for when the Batch page has none.
    void reduceAllWritesWhatTheCommandLineWrites_data() {
        QTest::addColumn<PanelSetUp>("setUp");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("note");
        QTest::newRow("GIF87a interlaced, transparent")
            << PanelSetUp([](CControllPanel& panel, const QString&) {
                   panel.m_pPage1->m_nDitherMode = 2;
                   panel.m_pPage3->m_bTransMode = 1;
                   panel.m_pPage4->m_nBatchFileType = 2;
                   panel.m_pPage4->m_nGifMode = 1;
               })
            << QStringList{"-c",
                           "16",
                           "-d",
                           "diffusion",
                           "-t",
                           "lower-right",
                           "-f",
                           "gif",
                           "--gif-variant",
                           "87a",
                           "--gif-interlace"}
            << "gif"
            << " (written as GIF89a: a transparent colour needs it)";
        QTest::newRow("PNG interlaced from a palette file")
            << PanelSetUp([](CControllPanel& panel, const QString& palette) {
                   panel.m_pPage1->m_strPaletteFile = palette;
                   panel.m_pPage1->m_nDitherMode = 4;
                   panel.m_pPage2->m_nOutBit = 3; // a palette file leaves it nothing to do
                   panel.m_pPage4->m_nBatchFileType = 1;
                   panel.m_pPage4->m_bPngMode = 1;
               })
            << QStringList{"-p", "PALETTE", "-d", "cartoon", "-f", "png", "--png-interlace"}
            << "png"
            << "";
    }
    void reduceAllWritesWhatTheCommandLineWrites() {
        QFETCH(PanelSetUp, setUp);
        QFETCH(QStringList, options);
        QFETCH(QString, extension);
        QFETCH(QString, note);
        const QString palette =
            m_s->File("five.hex", QByteArray("ff0000\n00ff00\n0000ff\nffffff\n000000\n"));
        options.replaceInStrings(QStringLiteral("PALETTE"), palette);
        const QStringList inputs = {m_s->File("a.bmp", Noise(24, 16, 1)),
                                    m_s->File("b.bmp", Noise(17, 9, 2)),
                                    m_s->File("bad.bmp", QByteArray("BM not a picture"))};
        const QString desktopDir = m_s->files.filePath(QStringLiteral("desktop"));
        const QString cliDir = m_s->files.filePath(QStringLiteral("cli"));
        SetBrowseForFolderFunction([desktopDir](QWidget*, QString& folder, const QString&) {
            folder = desktopDir;
            return true;
        });
        setUp(Panel(), palette);
        CBatchView* log = ReduceAll(inputs);
        QVERIFY(log);

        QProcess cli;
        cli.start(QStringLiteral(XKORVO_BIN_DIR "/xkorvo-cli"),
                  QStringList{"-q", "-o", cliDir} + options + inputs);
        QVERIFY(cli.waitForFinished(120000));
        QCOMPARE(cli.exitCode(), 2); // the file that is no picture
        const QString cliError = QString::fromLocal8Bit(cli.readAllStandardError());
        for (const char* name : {"a", "b"}) {
            const QString file = QStringLiteral("/%1.").arg(QLatin1String(name)) + extension;
            QVERIFY(!ReadFile(desktopDir + file).isEmpty());
            QCOMPARE(ReadFile(desktopDir + file), ReadFile(cliDir + file));
        }
        const QStringList lines = log->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.mid(3, 2), (QStringList{"Reduce all: 3 files into " + desktopDir + " as " +
                                                   extension.toUpper(),
                                               "1: " + inputs[0] + " -> " + desktopDir + "/a." +
                                                   extension + ": done" + note}));
        // The reason of the file that failed, as the command line gives it.
        QVERIFY(lines.value(6).startsWith("3: " + inputs[2] + ": "));
        QVERIFY2(cliError.contains(lines.value(6).section(QStringLiteral(": "), 2)),
                 qPrintable(cliError));
        QCOMPARE(lines.value(7), QStringLiteral("2 done, 1 failed"));
        QCOMPARE(Panel().m_pPage4->m_strBatchPath, desktopDir); // the folder chosen is kept
    }

    // Files already in the folder are replaced only when the user agrees, once per batch: No
    // keeps them and writes the others, Cancel starts nothing, Yes replaces them.
    void existingFilesAreReplacedOnlyWhenTheUserAgrees() {
        const QString dir = m_s->files.filePath(QStringLiteral("out"));
        Panel().m_pPage4->m_strBatchPath = dir;
        QVERIFY(QDir().mkpath(dir));
        const QString kept = m_s->File("out/a.bmp", QByteArray("the old a"));
        const QStringList inputs = {m_s->File("a.bmp", Noise(8, 8, 1)),
                                    m_s->File("b.bmp", Noise(8, 8, 2))};
        CBatchView* log = nullptr;
        for (const char* button : {"No", "Cancel", "Yes"}) {
            m_s->rec.Clear();
            m_s->rec.m_answers[QStringLiteral("replaceQuestion")] = [button](QDialog& d) {
                for (QAbstractButton* b : d.findChildren<QAbstractButton*>())
                    if (b->text().remove(QLatin1Char('&')) == QLatin1String(button))
                        b->click();
            };
            log = ReduceAll(inputs, log);
            QVERIFY(log);
            QVERIFY(m_s->rec.Dialogs().contains(QStringLiteral("replaceQuestion")));
            if (QLatin1String(button) == "No") {
                QCOMPARE(ReadFile(kept), QByteArray("the old a"));
                QVERIFY(log->toPlainText().contains("1: " + inputs[0] + ": " + kept +
                                                    " exists and is kept"));
                QVERIFY(ReadFile(dir + "/b.bmp").startsWith("BM"));
            }
        }
        QCOMPARE(log->toPlainText().count(QStringLiteral("Reduce all:")), 2); // Cancel ran nothing
        QVERIFY(ReadFile(kept).startsWith("BM"));
        QCOMPARE(m_s->rec.Messages(), QStringList());
    }

    // A batch is the program's one run: Reduce and Reduce all are off, the batch window and the
    // program stay open, and Esc stops it after the file under way.
    void batchIsTheOneRunAndEscStopsIt() {
        const QString dir = m_s->files.filePath(QStringLiteral("out"));
        Panel().m_pPage4->m_strBatchPath = dir;
        QVERIFY(Frame()->OpenDocumentFile(m_s->File("picture.bmp", Noise(4, 4))));
        const QStringList inputs = {m_s->File("big.bmp", Noise(1600, 1200)),
                                    m_s->File("small.bmp", Noise(4, 4))};
        CBatchView* log = ReduceAll(inputs, nullptr, false);
        QVERIFY(log);
        QVERIFY(m_s->RunState().m_bRunning);
        QVERIFY(!m_s->Action("actionReduceAll")->isEnabled());
        QVERIFY(!Frame()->close());
        m_s->Windows().last()->close();
        QCOMPARE(m_s->Windows().size(), 2);
        Frame()->MdiArea()->setActiveSubWindow(m_s->Windows().first());
        QVERIFY(!m_s->Action("actionReduce")->isEnabled());
        QVERIFY(!m_s->Action("actionPluginSettings")->isEnabled());
        QVERIFY(QTest::qWaitFor([this] { return m_s->RunState().m_signal.m_nProgress.load() > 0; },
                                60000));
        m_s->Action("actionCancel")->trigger();
        QVERIFY(QTest::qWaitFor([this] { return !m_s->RunState().m_bRunning; }, 120000));
        QVERIFY(log->toPlainText().endsWith(QStringLiteral("0 done, 1 failed, cancelled\n")));
        QVERIFY(!QFileInfo::exists(dir + "/small.bmp"));
        QVERIFY(m_s->Action("actionReduce")->isEnabled());
    }

private:
    CMainFrame* Frame() const { return m_s->frame; }
    // Reduce all over `files` in a batch window (`log`'s, else a new one) with the panel as it
    // stands; its log once the run has ended (`wait`), nullptr when it did not start.
    CBatchView* ReduceAll(const QStringList& files, CBatchView* log = nullptr, bool wait = true) {
        if (!log) {
            SetFileDialogRunner([files](QWidget*, const FileDialogRequest& request) {
                return std::optional<FileDialogAnswer>(
                    FileDialogAnswer{files, request.filterIndex});
            });
            m_s->Action("actionOpen")->trigger();
            log = qobject_cast<CBatchView*>(Frame()->MdiArea()->activeSubWindow()->widget());
        }
        // A question box shown before leaves the main window inactive, and with it the window
        // whose commands are enabled.
        Frame()->activateWindow();
        if (!QTest::qWaitForWindowActive(Frame()))
            return nullptr;
        if (!log || !m_s->Action("actionReduceAll")->isEnabled())
            return nullptr;
        m_s->rec.m_answers[QStringLiteral("controlPanel")] = [](QDialog&) {};
        m_s->Action("actionReduceAll")->trigger();
        if (wait && !QTest::qWaitFor([this] { return !m_s->RunState().m_bRunning; }, 120000))
            return nullptr;
        return log;
    }
    CControllPanel& Panel() const { return Frame()->ControlPanel(); }
    // The result of reducing `file` with the panel as it stands, changed by `setUp`, then OK;
    // nullptr when there is none.
    CKorvoDoc* Reduce(const QString& file, std::function<void(CControllPanel&)> setUp = {}) {
        if (!Frame()->OpenDocumentFile(file))
            return nullptr;
        m_s->rec.m_answers[QStringLiteral("controlPanel")] = [setUp](QDialog& d) {
            if (setUp)
                setUp(static_cast<CControllPanel&>(d));
        };
        m_s->Action("actionReduce")->trigger();
        if (!QTest::qWaitFor([this] { return !m_s->RunState().m_bRunning; }, 120000) ||
            m_s->Windows().size() < 2)
            return nullptr;
        return static_cast<CKorvoDoc*>(m_s->DocumentOf(Frame()->MdiArea()->activeSubWindow()));
    }

    std::unique_ptr<DesktopSession> m_s;
};

QTEST_MAIN(TestOutput)
#include "output_test.moc"
