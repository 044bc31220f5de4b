// The main window's commands driven as a user does, offscreen: opening (also through a plug-in
// and as a batch of files), the messages for files it refuses, New, Save As with its dialog,
// Properties, the recent-file list, the plug-in settings command, and Copy and Paste.
#include "app_test_support.h"
#include "desktop/batch_view.h"
#include "desktop/file_dialogs.h"
#include "desktop/korvo_view.h"
#include "document/korvo_doc.h"
#include "pluginhost/plugin_registry.h"
#include "settings/settings_file.h"
#include "tests/support/dib_builder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <sys/resource.h>

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_s = std::make_unique<DesktopSession>();
        QVERIFY(m_s->StartTrusted());
    }
    void cleanup() { m_s.reset(); }

    void opensBmpAndTellsItsProperties() {
        QCOMPARE(Frame()->windowTitle(), QStringLiteral("xKorvo"));
        CKorvoDoc* doc =
            Open(m_s->File("rrgb.bmp", Bmp24(2, 2, {0xFF0000, 0xFF0000, 0x00FF00, 0x0000FF})));
        QVERIFY(doc);
        QCOMPARE(doc->m_sizeDoc, QSize(2, 2));
        QCOMPARE(Frame()->MdiArea()->activeSubWindow()->windowTitle(), QStringLiteral("rrgb.bmp"));
        QCOMPARE(Frame()->windowTitle(), QStringLiteral("xKorvo - rrgb.bmp"));
        QCOMPARE(doc->DisplayImage().pixel(1, 1) & 0xFFFFFFu, 0x0000FFu);
        m_s->Action("actionProperties")->trigger();
        QCOMPARE(m_s->rec.Messages(), QStringList{"2x2, 3 colors."});
    }

    void opensPngThroughThePlugin() {
        const QDir bin(QStringLiteral(XKORVO_BIN_DIR));
        if (bin.entryList({QStringLiteral("*.spi")}, QDir::Files).isEmpty())
            QSKIP("no decoder plug-ins built beside the program");
        m_s->End();
        QVERIFY(m_s->StartTrusted(bin.absolutePath()));
        QImage png(4, 3, QImage::Format_RGB32);
        png.fill(qRgb(10, 200, 30));
        png.setPixel(3, 2, qRgb(250, 5, 6));
        const QString path = m_s->files.filePath(QStringLiteral("photo.png"));
        QVERIFY(png.save(path, "PNG"));
        CKorvoDoc* doc = Open(path);
        QVERIFY(doc);
        QCOMPARE(doc->m_sizeDoc, QSize(4, 3));
        QCOMPARE(doc->DisplayImage().pixel(3, 2) & 0xFFFFFFu, 0xFA0506u);
        QCOMPARE(doc->DisplayImage().pixel(0, 0) & 0xFFFFFFu, 0x0AC81Eu);
    }

    // Each message names the file ("%1" below) and says why in words.
    void refusesFilesWithTheirMessages_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("messages");
        const auto file = [](const std::vector<std::uint8_t>& bytes) {
            return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
        };
        QTest::newRow("top-down BMP")
            << file(BitmapFile({40, 2, -2, 1, 24}, Rows24(2, 2, Gradient(2, 2))))
            << QStringList{"DIB is too large",
                           "Cannot load DIB\n%1: the picture stores its rows top-down or has more "
                           "than 268435456 pixels"};
        QTest::newRow("cut short")
            << file(Bmp24(2, 2, Gradient(2, 2))).left(60)
            << QStringList{"Cannot load DIB\n%1: unusable bitmap: the picture "
                           "data is cut short"};
        QTest::newRow("not a picture")
            << QByteArray("just some text\n")
            << QStringList{
                   "Cannot load DIB\n%1: not a picture any plug-in or the BMP reader can read"};
        QTest::newRow("missing file") << QByteArray()
                                      << QStringList{"Cannot open the file.\n%1: No such file or "
                                                     "directory"};
    }

    void refusesFilesWithTheirMessages() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, messages);
        const QString path = m_s->files.filePath(QStringLiteral("refused.bmp"));
        if (!bytes.isEmpty())
            m_s->File(QStringLiteral("refused.bmp"), bytes);
        QVERIFY(!Open(path));
        QVERIFY(m_s->Windows().isEmpty());
        QCOMPARE(m_s->rec.Messages(), messages.replaceInStrings(QStringLiteral("%1"), path));
        QVERIFY(Frame()->RecentFiles().Files().isEmpty());
    }

    void showsCoreHeaderPictureButDoesNotSaveIt() {
        CKorvoDoc* doc = Open(m_s->File(
            "core.bmp", BitmapFile({12, 2, 1, 1, 1}, {0, 0, 0, 255, 255, 255, 0x40, 0, 0, 0})));
        QVERIFY(doc);
        QCOMPARE(doc->DisplayImage().pixel(1, 0) & 0xFFFFFFu, 0xFFFFFFu);
        m_s->Action("actionProperties")->trigger();
        QCOMPARE(m_s->rec.Messages(), QStringList()); // the pixel array does not take core headers

        const QString target = m_s->File("keep.bmp", QByteArray("old contents"));
        AnswerFileDialogs({target});
        m_s->Action("actionSaveAs")->trigger();
        QCOMPARE(
            m_s->rec.Messages(),
            QStringList{"Cannot save DIB\n" + target +
                        ": only a picture with a 40-byte information header can be written as a "
                        "BMP file"});
        QCOMPARE(ReadFile(target), QByteArray("old contents"));
    }

    void saveAsKeepsTheDocumentsName() {
        const QString source = m_s->File("photo.bmp", Bmp24(5, 3, Gradient(5, 3)));
        CKorvoDoc* doc = Open(source);
        QVERIFY(doc);
        FileDialogRequest asked;
        AnswerFileDialogs({m_s->files.filePath(QStringLiteral("copy"))}, 0,
                          &asked); // no extension typed
        m_s->Action("actionSaveAs")->trigger();
        QVERIFY(asked.save);
        // Readable everywhere; "*.*" also takes names without a dot.
        QStringList filters;
        for (const FileFilter& f : asked.filters)
            filters << f.text + " matches " + f.patterns;
        QCOMPARE(
            filters,
            (QStringList{"All files (*.*) matches *", "BMP files (*.bmp) matches *.bmp",
                         "PNG files (*.png) matches *.png", "GIF files (*.gif) matches *.gif"}));
        QCOMPARE(asked.fileName, QStringLiteral("photo"));
        QCOMPARE(asked.initialDir, m_s->files.path() + QLatin1Char('/')); // the picture's folder
        QCOMPARE(asked.filterIndex, 2);                                   // the BMP filter
        QCOMPARE(asked.defaultSuffix, QStringLiteral("bmp"));
        QCOMPARE(m_s->rec.Messages(), QStringList());
        QCOMPARE(doc->GetTitle(), QStringLiteral("photo.bmp"));
        QCOMPARE(doc->GetPathName(), source);
        QCOMPARE(Frame()->SaveDialog().m_strInitialDir, m_s->files.path() + QLatin1Char('/'));
        CKorvoDoc* copy = Open(m_s->files.filePath(QStringLiteral("copy.bmp")));
        QVERIFY(copy);
        QCOMPARE(copy->DisplayImage(), doc->DisplayImage());
    }

    // The system's dialog lists each filter as worded, its pattern not repeated.
    void fileDialogsShowEachFilterOnce() {
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
            QVERIFY(save ? !Frame()->SaveDialog().RunSaveDialog()
                         : !Frame()->OpenDialog().RunOpenDialog());
            QStringList expected{"All files (*.*)", "BMP files (*.bmp)"};
            if (save)
                expected << "PNG files (*.png)"
                         << "GIF files (*.gif)";
            QCOMPARE(shown, expected);
            QCOMPARE(selected, shown.value(save ? 1 : 0));
        }
    }

    void failingSaveKeepsTheOldFile() {
        QVERIFY(Open(m_s->File("photo.bmp", Bmp24(64, 64, Gradient(64, 64)))));
        const QString target = m_s->File("old.bmp", QByteArray("the old file"));
        AnswerFileDialogs({target});
        // Writes beyond 1 KiB fail (EFBIG) while the 12 KiB picture is being written.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        m_s->Action("actionSaveAs")->trigger();
        setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(m_s->rec.Messages().size(), 1);
        QVERIFY(m_s->rec.Messages().first().contains(QStringLiteral("old.bmp")));
        QCOMPARE(ReadFile(target), QByteArray("the old file"));
        QCOMPARE(QDir(m_s->files.path()).entryList(QDir::Files).size(), 2); // no temporary left
    }

    void recentFileListKeepsTenNewestFirst() {
        QStringList expected;
        for (int i = 0; i < 12; ++i) {
            const QString path = m_s->File(QStringLiteral("f%1.bmp").arg(i), Bmp24(1, 1, {0}));
            QVERIFY(Open(path));
            if (i >= 2)
                expected.prepend(path);
        }
        QCOMPARE(Frame()->RecentFiles().Files(), expected);
        QVERIFY(m_s->Action("actionRecentFile1")->text().endsWith(QStringLiteral("f11.bmp")));

        // Kept in the settings file for the next start.
        m_s->End();
        QVERIFY(m_s->Start());
        QCOMPARE(Frame()->RecentFiles().Files(), expected);
        // An entry opens its file; opening it again only brings its window to the front.
        m_s->Action("actionRecentFile3")->trigger();
        QCOMPARE(Frame()->ActiveImageDocument()->GetTitle(), QStringLiteral("f9.bmp"));
        QCOMPARE(Frame()->RecentFiles().Files().first(), expected[2]);
        m_s->Action("actionRecentFile1")->trigger();
        QCOMPARE(m_s->Windows().size(), 1);
    }

    void severalFilesOpenOneBatchWindow() {
        const QStringList files = {m_s->files.filePath("a.bmp"), m_s->files.filePath("b c.png"),
                                   m_s->files.filePath("d.jpg")};
        AnswerFileDialogs(files);
        QGuiApplication::clipboard()->setImage(QImage(2, 2, QImage::Format_RGB32));
        m_s->Action("actionOpen")->trigger();
        QCOMPARE(m_s->Windows().size(), 1);
        QMdiSubWindow* window = m_s->Windows().first();
        QCOMPARE(window->windowTitle(), QStringLiteral("Batch"));
        auto* view = qobject_cast<CBatchView*>(window->widget());
        QVERIFY(view);
        QCOMPARE(view->toPlainText(),
                 QStringLiteral("1: %1\n2: %2\n3: %3\n").arg(files[0], files[1], files[2]));
        QVERIFY(view->isReadOnly());
        for (const char* command : {"actionSaveAs", "actionPaste", "actionReduce", "actionCopy"})
            QVERIFY2(!m_s->Action(command)->isEnabled(), command);
        window->close(); // nothing to save, nothing asked
        QApplication::processEvents();
        QVERIFY(m_s->Windows().isEmpty());
        QCOMPARE(m_s->rec.Messages(), QStringList());
    }

    void newOffersPictureOrBatch() {
        QStringList offered;
        for (int row : {0, 1}) {
            m_s->rec.m_answers[QStringLiteral("newTypeDialog")] = [row, &offered](QDialog& d) {
                auto* list = d.findChild<QListWidget*>(QStringLiteral("listNewType"));
                offered.clear();
                for (int i = 0; i < list->count(); ++i)
                    offered << list->item(i)->text();
                list->setCurrentRow(row);
            };
            m_s->Action("actionNew")->trigger();
        }
        QCOMPARE(offered, (QStringList{"Picture", "Batch"}));
        QCOMPARE(m_s->Windows().size(), 2);
        auto* image = qobject_cast<CKorvoDoc*>(m_s->DocumentOf(m_s->Windows()[0]));
        QVERIFY(image && !image->HasDib());
        QVERIFY(qobject_cast<CBatchView*>(m_s->Windows()[1]->widget()));
        m_s->rec.m_answers.clear();
        m_s->Action("actionNew")->trigger(); // cancelled: nothing new
        QCOMPARE(m_s->Windows().size(), 2);
    }

    // The Window menu lists the open windows, the active one checked; Ctrl+Tab and
    // Ctrl+Shift+Tab go round them every time.
    void windowMenuListsWindowsAndCtrlTabGoesRound() {
        for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
            QVERIFY(Open(m_s->File(name, Bmp24(1, 1, {0}))));
        auto* menu = Frame()->findChild<QMenu*>(QStringLiteral("menuWindow"));
        const auto listed = [menu] {
            QStringList entries;
            for (QAction* action : menu->actions())
                if (action->objectName().startsWith(QLatin1String("actionWindow")))
                    entries << action->text() + (action->isChecked() ? " (active)" : "");
            return entries;
        };
        QCOMPARE(listed(), (QStringList{"&1 a.bmp", "&2 b.bmp", "&3 c.bmp (active)"}));
        Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        const auto active = [this] { return Frame()->MdiArea()->activeSubWindow()->windowTitle(); };
        for (const char* next : {"a.bmp", "b.bmp", "c.bmp", "a.bmp"}) {
            QTest::keyClick(Frame(), Qt::Key_Tab, Qt::ControlModifier);
            QCOMPARE(active(), QLatin1String(next));
        }
        for (const char* previous : {"c.bmp", "b.bmp"}) {
            QTest::keyClick(Frame(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(active(), QLatin1String(previous));
        }
        for (QAction* action : menu->actions())
            if (action->objectName() == QLatin1String("actionWindow3"))
                action->trigger();
        QCOMPARE(active(), QStringLiteral("c.bmp"));
        QCOMPARE(listed(), (QStringList{"&1 a.bmp", "&2 b.bmp", "&3 c.bmp (active)"}));
    }

    // The dialog on the program's own registry: switching every plug-in off is written to the
    // settings file and leaves none loaded.
    void pluginSettingsCommandWritesTheInactiveList() {
        QVERIFY(QDir(m_s->files.path()).mkdir(QStringLiteral("spi")));
        const QString folder = m_s->files.filePath(QStringLiteral("spi"));
        for (const char* name : {"two.spi", "one.spi"})
            m_s->File(QStringLiteral("spi/") + QLatin1String(name), QByteArray());
        int listed = 0;
        m_s->rec.m_answers[QStringLiteral("susieDialog")] = [&](QDialog& d) {
            d.findChild<QLineEdit*>(QStringLiteral("editFolder"))->setText(folder);
            d.findChild<QAbstractButton*>(QStringLiteral("buttonRereadFolder"))->click();
            auto* active = d.findChild<QListWidget*>(QStringLiteral("listActive"));
            listed = active->count();
            active->selectAll();
            d.findChild<QAbstractButton*>(QStringLiteral("buttonRemove"))->click();
        };
        m_s->Action("actionPluginSettings")->trigger();
        QCOMPARE(m_s->rec.Dialogs(), QStringList{"susieDialog"});
        QCOMPARE(listed, 2);
        QCOMPARE(AppendSeparator(Frame()->Plugins().Folder()), AppendSeparator(folder));
        QVERIFY(Frame()->Plugins().Loaded().empty());
        QCOMPARE(ReadSetting(QStringLiteral("Plugins/1")).toString(), QStringLiteral("one.spi"));
        QCOMPARE(ReadSetting(QStringLiteral("Plugins/2")).toString(), QStringLiteral("two.spi"));
    }

    void copyThenPasteGivesAnIdenticalIndependentPicture() {
        QAction* paste = m_s->Action("actionPaste");
        QVERIFY(!paste->isEnabled());
        QGuiApplication::clipboard()->setText(QStringLiteral("only text"));
        QVERIFY(!paste->isEnabled());

        CKorvoDoc* doc = Open(QStringLiteral(XKORVO_TEST_DATA "/bmpsuite/g/pal8.bmp"));
        QVERIFY(doc);
        const QByteArray original = Bytes(doc->m_hDib);
        m_s->Action("actionCopy")->trigger();
        QVERIFY(paste->isEnabled());
        paste->trigger();

        QCOMPARE(m_s->Windows().size(), 2);
        QMdiSubWindow* pastedWindow = Frame()->MdiArea()->activeSubWindow();
        auto* pasted = static_cast<CKorvoDoc*>(m_s->DocumentOf(pastedWindow));
        QCOMPARE(pastedWindow->windowTitle(), QStringLiteral("Clipboard"));
        QCOMPARE(Bytes(pasted->m_hDib), original);
        QCOMPARE(pasted->m_palette.size(), 252u); // a palette picture brings its colour table
        QVERIFY(pasted->m_canReduce);
        m_s->Windows().first()->close();
        QApplication::processEvents();
        QCOMPARE(m_s->Windows().size(), 1);
        QCOMPARE(Bytes(pasted->m_hDib), original);
    }

private:
    CMainFrame* Frame() const { return m_s->frame; }
    CKorvoDoc* Open(const QString& path) { return Frame()->OpenDocumentFile(path); }

    std::unique_ptr<DesktopSession> m_s;
};

QTEST_MAIN(TestMainWindow)
#include "main_window_test.moc"
