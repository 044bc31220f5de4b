// The desktop program driven through its real main window, offscreen: opening, titles, zoom,
// centring, dragging, saving, Properties and the recent-file list.
#include "app_test_support.h"
#include "desktop/file_dialogs.h"
#include "desktop/korvo_app.h"
#include "desktop/korvo_view.h"
#include "desktop/main_frame.h"
#include "dib_builder.h"
#include "document/korvo_doc.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <memory>
#include <sys/resource.h>

namespace {

using Rows = QList<QList<std::uint32_t>>;

QByteArray Bmp24(const Rows& rows) {
    return BmpFileBytes(
        DibLayout{int(rows.first().size()), int(rows.size()), 24, false, {}, 0, Rows24(rows)});
}

// A w x h picture whose pixel (x, y) is 0x00xxyy (x and y below 256).
Rows Gradient(int w, int h) {
    Rows rows;
    for (int y = 0; y < h; ++y) {
        QList<std::uint32_t> row;
        for (int x = 0; x < w; ++x)
            row << std::uint32_t(((x & 0xFF) << 8) | (y & 0xFF));
        rows << row;
    }
    return rows;
}

// An 8-bit grey picture, cheap to make at large sizes.
QByteArray BigBmp8(int w, int h) {
    QList<std::uint32_t> greys;
    for (std::uint32_t i = 0; i < 256; ++i)
        greys << i * 0x010101;
    const int stride = (w + 3) / 4 * 4;
    return BmpFileBytes(DibLayout{w, h, 8, false, greys, 0, QByteArray(stride * h, '\x40')});
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void opensBmpAndNamesTheWindows();
    void opensPngThroughThePlugin();
    void refusesFilesWithTheirMessages_data();
    void refusesFilesWithTheirMessages();
    void showsCoreHeaderPictureButDoesNotSaveIt();
    void saveAsRoundTripKeepsTheDocumentsName();
    void fileDialogsShowEachFilterOnce();
    void failingSaveKeepsTheOldFile();
    void propertiesCountDistinctColours();
    void zoomStopsAtItsEndsWithScrollSizes();
    void tinyPictureAtSmallestZoomIsAllMargin();
    void centresSmallPictureBetweenMargins();
    void paintsPicturePixelsWholeAndMarginsHatched_data();
    void paintsPicturePixelsWholeAndMarginsHatched();
    void largePictureFillsWindowAndDragIsClamped();
    void windowsFitTheirPicturesWithoutScrollBars();
    void recentFileListKeepsTenNewestFirst();

private:
    CMainFrame* Start(const QString& pluginPath = QString(), bool freshSettings = true);
    QString File(const QString& name, const QByteArray& bytes) {
        return WriteFile(m_files->filePath(name), bytes);
    }
    CKorvoView* ActiveView() { return m_app->MainFrame()->ActiveImageView(); }

    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<QTemporaryDir> m_files;
    std::unique_ptr<NoticeRecorder> m_rec;
    std::unique_ptr<CKorvoApp> m_app;
};

void TestMainWindow::init() {
    m_config = std::make_unique<QTemporaryDir>();
    m_files = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", m_config->path().toLocal8Bit());
    m_rec = std::make_unique<NoticeRecorder>();
}

void TestMainWindow::cleanup() {
    m_app.reset();
    SetFileDialogRunner({});
    m_rec.reset();
}

CMainFrame* TestMainWindow::Start(const QString& pluginPath, bool freshSettings) {
    // A trusted settings file, so no about box; plug-ins only where a test asks for them.
    if (freshSettings)
        WriteSettingsFile(
            {{QStringLiteral("Infomation/version"), RunningVersion()},
             {QStringLiteral("FileOperation/PluginPath"),
              pluginPath.isEmpty() ? m_files->filePath(QStringLiteral("none")) : pluginPath}});
    m_app = std::make_unique<CKorvoApp>();
    if (!m_app->InitInstance({}))
        return nullptr;
    m_app->MainFrame()->resize(800, 600);
    return m_app->MainFrame();
}

void TestMainWindow::opensBmpAndNamesTheWindows() {
    CMainFrame* frame = Start();
    QVERIFY(frame);
    QCOMPARE(frame->windowTitle(), QStringLiteral("xKorvo"));
    CKorvoDoc* doc = frame->OpenDocumentFile(File("small.bmp", Bmp24(Gradient(3, 2))));
    QVERIFY(doc);
    QCOMPARE(m_rec->Messages(), QStringList());
    QCOMPARE(doc->m_sizeDoc, QSize(3, 2));
    QCOMPARE(frame->MdiArea()->activeSubWindow()->windowTitle(), QStringLiteral("small.bmp"));
    QCOMPARE(frame->windowTitle(), QStringLiteral("xKorvo - small.bmp"));
    QCOMPARE(doc->DisplayImage().pixel(2, 1) & 0xFFFFFFu, 0x000201u);
}

void TestMainWindow::opensPngThroughThePlugin() {
    const QDir bin(QStringLiteral(XKORVO_BIN_DIR));
    if (bin.entryList({QStringLiteral("*.spi")}, QDir::Files).isEmpty())
        QSKIP("no decoder plug-ins built beside the program");
    CMainFrame* frame = Start(bin.absolutePath());
    QImage png(4, 3, QImage::Format_RGB32);
    png.fill(qRgb(10, 200, 30));
    png.setPixel(3, 2, qRgb(250, 5, 6));
    const QString path = m_files->filePath(QStringLiteral("photo.png"));
    QVERIFY(png.save(path, "PNG"));
    CKorvoDoc* doc = frame->OpenDocumentFile(path);
    QVERIFY(doc);
    QCOMPARE(doc->m_sizeDoc, QSize(4, 3));
    QCOMPARE(doc->DisplayImage().pixel(3, 2) & 0xFFFFFFu, 0xFA0506u);
    QCOMPARE(doc->DisplayImage().pixel(0, 0) & 0xFFFFFFu, 0x0AC81Eu);
    QCOMPARE(frame->windowTitle(), QStringLiteral("xKorvo - photo.png"));
}

// Each message names the file ("%1" below) and says why in words.
void TestMainWindow::refusesFilesWithTheirMessages_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("messages");
    DibLayout topDown{2, -2, 24, false, {}, 0, Rows24(Gradient(2, 2))};
    QTest::newRow("top-down BMP")
        << BmpFileBytes(topDown)
        << QStringList{"DIB is too large",
                       "Cannot load DIB\n%1: the picture stores its rows top-down or has more "
                       "than 268435456 pixels"};
    DibLayout bottomUp{2, 2, 24, false, {}, 0, Rows24(Gradient(2, 2))};
    QTest::newRow("cut short") << BmpFileBytes(bottomUp).left(60)
                               << QStringList{"Cannot load DIB\n%1: unusable bitmap: the picture "
                                              "data is cut short"};
    QTest::newRow("not a picture")
        << QByteArray("just some text\n")
        << QStringList{"Cannot load DIB\n%1: not a picture any plug-in or the BMP reader can read"};
    QTest::newRow("missing file") << QByteArray()
                                  << QStringList{"Cannot open the file.\n%1: No such file or "
                                                 "directory"};
}

void TestMainWindow::refusesFilesWithTheirMessages() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, messages);
    CMainFrame* frame = Start();
    QString path = m_files->filePath(QStringLiteral("refused.bmp"));
    if (!bytes.isEmpty())
        File(QStringLiteral("refused.bmp"), bytes);
    QVERIFY(!frame->OpenDocumentFile(path));
    QCOMPARE(frame->MdiArea()->subWindowList().size(), 0);
    messages.replaceInStrings(QStringLiteral("%1"), path);
    QCOMPARE(m_rec->Messages(), messages);
    QVERIFY(frame->RecentFiles().Files().isEmpty());
}

void TestMainWindow::showsCoreHeaderPictureButDoesNotSaveIt() {
    CMainFrame* frame = Start();
    DibLayout core{2, 1, 1, true, {0x000000, 0xFFFFFF}, 0, QByteArray::fromHex("40000000")};
    CKorvoDoc* doc = frame->OpenDocumentFile(File("core.bmp", BmpFileBytes(core)));
    QVERIFY(doc);
    QCOMPARE(doc->DisplayImage().pixel(1, 0) & 0xFFFFFFu, 0xFFFFFFu);

    frame->Action(QStringLiteral("actionProperties"))->trigger();
    QCOMPARE(m_rec->Messages(), QStringList()); // the pixel array does not take core headers

    const QString target = File("keep.bmp", "old contents");
    SetFileDialogRunner([&](QWidget*, const FileDialogRequest&) {
        return std::optional<FileDialogAnswer>(FileDialogAnswer{{target}, 2});
    });
    frame->Action(QStringLiteral("actionSaveAs"))->trigger();
    QCOMPARE(
        m_rec->Messages(),
        QStringList{
            "Cannot save DIB\n" + target +
            ": only a picture with a 40-byte information header can be written as a BMP file"});
    QCOMPARE(ReadFile(target), QByteArray("old contents"));
}

void TestMainWindow::saveAsRoundTripKeepsTheDocumentsName() {
    CMainFrame* frame = Start();
    const QString source = File("photo.bmp", Bmp24(Gradient(5, 3)));
    CKorvoDoc* doc = frame->OpenDocumentFile(source);
    QVERIFY(doc);
    FileDialogRequest asked;
    SetFileDialogRunner([&](QWidget*, const FileDialogRequest& req) {
        asked = req;
        // The user types a name without extension.
        return std::optional<FileDialogAnswer>(
            FileDialogAnswer{{m_files->filePath(QStringLiteral("copy"))}, req.filterIndex});
    });
    frame->Action(QStringLiteral("actionSaveAs"))->trigger();
    QVERIFY(asked.save);
    // Readable everywhere; "*.*" also takes names without a dot.
    QStringList filters;
    for (const FileFilter& f : asked.filters)
        filters << f.text + " matches " + f.patterns;
    QCOMPARE(filters,
             (QStringList{"All files (*.*) matches *", "BMP files (*.bmp) matches *.bmp"}));
    QCOMPARE(asked.fileName, QStringLiteral("photo"));
    QCOMPARE(asked.filterIndex, 2); // the BMP filter
    QCOMPARE(asked.defaultSuffix, QStringLiteral("bmp"));
    QCOMPARE(m_rec->Messages(), QStringList());
    QCOMPARE(doc->GetTitle(), QStringLiteral("photo.bmp"));
    QCOMPARE(doc->GetPathName(), QFileInfo(source).absoluteFilePath());
    QCOMPARE(frame->SaveDialog().m_strInitialDir, m_files->path() + QLatin1Char('/'));

    const QString copy = m_files->filePath(QStringLiteral("copy.bmp"));
    CKorvoDoc* again = frame->OpenDocumentFile(copy);
    QVERIFY(again);
    QCOMPARE(again->m_sizeDoc, QSize(5, 3));
    QCOMPARE(again->DisplayImage(), doc->DisplayImage());
}

// The system's dialog lists each filter as worded, its pattern not repeated.
void TestMainWindow::fileDialogsShowEachFilterOnce() {
    CMainFrame* frame = Start();
    for (bool save : {false, true}) {
        QStringList shown;
        QString selected;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            for (int i = 0; types && i < types->count(); ++i)
                shown << types->itemText(i);
            selected = dialog->selectedNameFilter();
            dialog->reject();
        });
        poll.start(10);
        QVERIFY(save ? !frame->SaveDialog().RunSaveDialog() : !frame->OpenDialog().RunOpenDialog());
        QCOMPARE(shown, (QStringList{"All files (*.*)", "BMP files (*.bmp)"}));
        QCOMPARE(selected, shown.value(save ? 1 : 0));
    }
}

void TestMainWindow::failingSaveKeepsTheOldFile() {
    CMainFrame* frame = Start();
    QVERIFY(frame->OpenDocumentFile(File("photo.bmp", Bmp24(Gradient(64, 64)))));
    const QString target = File("old.bmp", "the old file");
    SetFileDialogRunner([&](QWidget*, const FileDialogRequest&) {
        return std::optional<FileDialogAnswer>(FileDialogAnswer{{target}, 2});
    });
    // Writes beyond 1 KiB fail (EFBIG) while the 12 KiB picture is being written.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    frame->Action(QStringLiteral("actionSaveAs"))->trigger();
    setrlimit(RLIMIT_FSIZE, &old);
    QCOMPARE(m_rec->Messages().size(), 1);
    QVERIFY(m_rec->Messages().first().contains(QStringLiteral("old.bmp")));
    QCOMPARE(ReadFile(target), QByteArray("the old file"));
    QCOMPARE(QDir(m_files->path()).entryList(QDir::Files).size(), 2); // no temporary left
}

void TestMainWindow::propertiesCountDistinctColours() {
    CMainFrame* frame = Start();
    QVERIFY(frame->OpenDocumentFile(
        File("rrgb.bmp", Bmp24({{0xFF0000, 0xFF0000}, {0x00FF00, 0x0000FF}}))));
    frame->Action(QStringLiteral("actionProperties"))->trigger();
    QCOMPARE(m_rec->Messages(), QStringList{"2x2, 3 colors."});
}

void TestMainWindow::zoomStopsAtItsEndsWithScrollSizes() {
    CMainFrame* frame = Start();
    QVERIFY(frame->OpenDocumentFile(File("two.bmp", Bmp24(Gradient(2, 2)))));
    QAction* in = frame->Action(QStringLiteral("actionZoomIn"));
    QAction* out = frame->Action(QStringLiteral("actionZoomOut"));
    CKorvoView* view = ActiveView();
    for (int i = 0; i < 20; ++i)
        in->trigger();
    QCOMPARE(view->GetDocument()->m_nZoom, 16);
    QVERIFY(!in->isEnabled());
    QVERIFY(out->isEnabled());
    QCOMPARE(view->GetTotalSize(), (ViewPoint{32, 32}));
    for (int i = 0; i < 30; ++i)
        out->trigger();
    QCOMPARE(view->GetDocument()->m_nZoom, -4);
    QVERIFY(!out->isEnabled());
    QVERIFY(in->isEnabled());
    QCOMPARE(view->GetTotalSize(), (ViewPoint{0, 0})); // 2 >> 5
    frame->Action(QStringLiteral("actionActualView"))->trigger();
    QCOMPARE(view->GetDocument()->m_nZoom, 1);
    QCOMPARE(view->GetTotalSize(), (ViewPoint{2, 2}));
}

void TestMainWindow::tinyPictureAtSmallestZoomIsAllMargin() {
    CMainFrame* frame = Start();
    QVERIFY(frame->OpenDocumentFile(File("one.bmp", Bmp24({{0x123456}}))));
    CKorvoView* view = ActiveView();
    for (int i = 0; i < 5; ++i)
        view->OnZoomOut();
    QCOMPARE(view->GetDocument()->m_nZoom, -4);
    QVERIFY(view->CurrentDrawPlan().dst.IsEmpty());
    const ViewPoint client = view->GetClientSize();
    QVERIFY(client.x > 0 && client.y > 0);
    std::int64_t area = 0;
    for (const ViewRect& r : view->CurrentMargins())
        area += r.Width() * r.Height();
    QCOMPARE(area, client.x * client.y);
}

void TestMainWindow::centresSmallPictureBetweenMargins() {
    CMainFrame* frame = Start();
    QVERIFY(frame->OpenDocumentFile(File("small.bmp", Bmp24(Gradient(40, 30)))));
    frame->MdiArea()->activeSubWindow()->showMaximized();
    QApplication::processEvents();
    CKorvoView* view = ActiveView();
    const ViewPoint c = view->GetClientSize();
    QVERIFY(c.x > 40 && c.y > 30);
    const std::int64_t left = (c.x - 40) / 2, top = (c.y - 30) / 2;
    QCOMPARE(view->CurrentDrawPlan().dst, (ViewRect{left, top, left + 40, top + 30}));
    const std::vector<ViewRect> margins = view->CurrentMargins();
    QCOMPARE(QList<ViewRect>(margins.begin(), margins.end()),
             (QList<ViewRect>{{0, 0, left, c.y},
                              {left + 40, 0, c.x, c.y},
                              {left, 0, left + 40, top},
                              {left, top + 30, left + 40, c.y}}));
}

void TestMainWindow::paintsPicturePixelsWholeAndMarginsHatched_data() {
    QTest::addColumn<int>("zoom");
    QTest::newRow("actual size") << 1;
    QTest::newRow("3x") << 3;
    QTest::newRow("16x") << 16;
}

void TestMainWindow::paintsPicturePixelsWholeAndMarginsHatched() {
    QFETCH(int, zoom);
    CMainFrame* frame = Start();
    const Rows rows = {{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
                       {0x000000, 0x808080, 0x102030, 0xF0E0D0}};
    QVERIFY(frame->OpenDocumentFile(File("colours.bmp", Bmp24(rows))));
    frame->MdiArea()->activeSubWindow()->showMaximized();
    CKorvoView* view = ActiveView();
    for (int z = 1; z < zoom; ++z)
        view->OnZoomIn();
    QApplication::processEvents();
    // Device pixels: on a scaled desktop zoom 1 still maps one picture pixel to one of them.
    const QImage shot = view->viewport()->grab().toImage();
    const ViewRect dst = view->CurrentDrawPlan().dst;
    QCOMPARE(dst.Width(), 4 * zoom);
    QCOMPARE(dst.Height(), 2 * zoom);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) {
            // Every device pixel of the picture pixel's cell has its colour: no smoothing.
            for (int dy : {0, zoom - 1}) {
                for (int dx : {0, zoom - 1}) {
                    const QPoint at(int(dst.left) + x * zoom + dx, int(dst.top) + y * zoom + dy);
                    QCOMPARE(shot.pixel(at) & 0xFFFFFFu, uint(rows[y][x]));
                }
            }
        }
    }
    const QColor face = view->palette().color(QPalette::Button);
    const QRgb hatch = CKorvoView::HatchColour(face).rgb() & 0xFFFFFFu;
    QSet<QRgb> marginColours;
    for (int x = 0; x < int(dst.left); ++x)
        marginColours << (shot.pixel(x, 0) & 0xFFFFFFu);
    QCOMPARE(marginColours, (QSet<QRgb>{face.rgb() & 0xFFFFFFu, hatch}));
}

// Every newly opened window, not only the first, shows its whole picture at actual size without
// scroll bars: its client area is the picture, or larger where a tiny picture would make the
// window narrower than its title bar allows.
void TestMainWindow::windowsFitTheirPicturesWithoutScrollBars() {
    CMainFrame* frame = Start();
    struct Case {
        QSize picture;
        bool exact;
    };
    const Case cases[] = {{{320, 200}, true}, {{200, 150}, true}, {{17, 11}, false}};
    for (const Case& c : cases) {
        const QSize size = c.picture;
        const QString name = QStringLiteral("%1x%2.bmp").arg(size.width()).arg(size.height());
        QVERIFY(frame->OpenDocumentFile(File(name, BigBmp8(size.width(), size.height()))));
        QApplication::processEvents();
        CKorvoView* view = ActiveView();
        QVERIFY(view);
        const QSize client = view->viewport()->size();
        if (c.exact)
            QCOMPARE(client, size);
        QVERIFY(client.width() >= size.width() && client.height() >= size.height());
        QVERIFY(!view->horizontalScrollBar()->isVisible());
        QVERIFY(!view->verticalScrollBar()->isVisible());
    }
}

void TestMainWindow::largePictureFillsWindowAndDragIsClamped() {
    CMainFrame* frame = Start();
    QVERIFY(frame->OpenDocumentFile(File("big.bmp", BigBmp8(2000, 1500))));
    CKorvoView* view = ActiveView();
    // The window fits the picture only as far as the MDI area allows; the view scrolls.
    QVERIFY(frame->MdiArea()->activeSubWindow()->width() <= frame->MdiArea()->viewport()->width());
    QApplication::processEvents();
    const ViewPoint c = view->GetClientSize();
    QCOMPARE(view->horizontalScrollBar()->maximum(), int(2000 - c.x));
    QCOMPARE(view->verticalScrollBar()->maximum(), int(1500 - c.y));
    QCOMPARE(view->CurrentDrawPlan().dst, (ViewRect{0, 0, c.x, c.y}));
    QVERIFY(view->CurrentMargins().empty());

    QWidget* port = view->viewport();
    QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QVERIFY(view->IsDragging());
    QCOMPARE(port->cursor().shape(), Qt::SizeAllCursor);
    QTest::mouseMove(port, QPoint(50, 60));
    const int k = qRound(view->devicePixelRatioF()); // scroll positions are device pixels
    QCOMPARE(view->GetScrollPosition(), (ViewPoint{50 * k, 40 * k}));
    QTest::mouseMove(port, QPoint(-4000, -4000));
    QCOMPARE(view->GetScrollPosition(), (ViewPoint{2000 - c.x, 1500 - c.y}));
    QTest::mouseMove(port, QPoint(4000, 4000));
    QCOMPARE(view->GetScrollPosition(), (ViewPoint{0, 0}));
    QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, QPoint(4000, 4000));
    QVERIFY(!view->IsDragging());
    QVERIFY(port->cursor().shape() != Qt::SizeAllCursor);
}

void TestMainWindow::recentFileListKeepsTenNewestFirst() {
    CMainFrame* frame = Start();
    QStringList paths;
    for (int i = 0; i < 12; ++i)
        paths << File(QStringLiteral("f%1.bmp").arg(i), Bmp24(Gradient(1, 1)));
    for (const QString& p : paths)
        QVERIFY(frame->OpenDocumentFile(p));
    QStringList expected;
    for (int i = 11; i >= 2; --i)
        expected << QFileInfo(paths[i]).absoluteFilePath();
    QCOMPARE(frame->RecentFiles().Files(), expected);
    QAction* first = frame->Action(QStringLiteral("actionRecentFile1"));
    QVERIFY(first->isVisible());
    QVERIFY(first->text().endsWith(QStringLiteral("f11.bmp")));

    // Kept in the settings file for the next start.
    m_app.reset();
    frame = Start(QString(), false);
    QCOMPARE(frame->RecentFiles().Files(), expected);
    // An entry opens its file; opening it again only brings its window to the front.
    frame->Action(QStringLiteral("actionRecentFile3"))->trigger();
    QCOMPARE(frame->ActiveImageDocument()->GetTitle(), QStringLiteral("f9.bmp"));
    QCOMPARE(frame->RecentFiles().Files().first(), expected[2]);
    frame->Action(QStringLiteral("actionRecentFile1"))->trigger();
    QCOMPARE(frame->MdiArea()->subWindowList().size(), 1);
}

QTEST_MAIN(TestMainWindow)
#include "main_window_test.moc"
