// Results out of the desktop program and palettes into it, driven as a user does: Save As in the
// three picture formats, Save palette as, a run mapped onto a palette file, and a batch window's
// Reduce all, which writes what the command-line front end writes.
#include "app_test_support.h"
#include "desktop/control_panel.h"
#include "desktop/file_dialogs.h"
#include "desktop/panel_page_batch.h"
#include "desktop/panel_page_main.h"
#include "desktop/panel_page_transmission.h"
#include "document/korvo_doc.h"
#include "export/indexed_picture.h"
#include "export/palette_file.h"

#include <QAbstractButton>
#include <QImage>
#include <QMdiSubWindow>
#include <QTest>
#include <random>

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

private:
    CMainFrame* Frame() const { return m_s->frame; }
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
