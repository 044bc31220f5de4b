// The plug-in settings dialog over a registry that records what the dialog asks of it.
#include "desktop/browse_for_folder.h"
#include "desktop/susie_dialog.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <map>

class TestPluginSettingsDialog : public QObject {
    Q_OBJECT

    // Two folders of plug-ins, each with its active and inactive ones.
    std::map<QString, std::pair<QStringList, QStringList>> m_folders;
    QStringList m_written; // the inactive list the dialog stored
    QString m_setFolder;   // the folder it made the one in use
    int m_writes = 0, m_reloads = 0, m_folderChanges = 0;
    std::unique_ptr<CSusieDialog> m_dialog;

    void Open() {
        m_dialog = std::make_unique<CSusieDialog>(
            PluginRegistryAccess{[] { return QStringLiteral("/opt/plugins/"); },
                                 [this](const QString& f) {
                                     m_setFolder = f;
                                     ++m_folderChanges;
                                 },
                                 [this](const QString& f) { return m_folders[f].first; },
                                 [this](const QString& f) { return m_folders[f].second; },
                                 [this](const QStringList& names) {
                                     m_written = names;
                                     ++m_writes;
                                 },
                                 [this] { ++m_reloads; }});
    }
    template <class T> T* Find(const char* name) {
        return m_dialog->findChild<T*>(QString::fromLatin1(name));
    }
    QStringList Items(const char* list) {
        QStringList names;
        for (int row = 0; row < Find<QListWidget>(list)->count(); ++row)
            names << Find<QListWidget>(list)->item(row)->text();
        return names;
    }
    void Move(const char* list, const QStringList& names, const char* button) {
        auto* from = Find<QListWidget>(list);
        for (int row = 0; row < from->count(); ++row)
            from->item(row)->setSelected(names.contains(from->item(row)->text()));
        Find<QAbstractButton>(button)->click();
    }

private slots:
    void init() {
        m_folders = {{"/opt/plugins/",
                      {{"ifpng.spi", "IFBMP.spi", "ifgif.spi"}, {"iftiff.spi", "Ifjpeg.spi"}}},
                     {"/other/", {{"ifwebp.spi"}, {}}}};
        m_written.clear();
        m_setFolder.clear();
        m_writes = m_reloads = m_folderChanges = 0;
        Open();
    }
    void cleanup() { m_dialog.reset(); }

    void showsTheFolderAndBothListsSorted() {
        QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Plug-in settings"));
        QCOMPARE(Find<QLineEdit>("editFolder")->text(), QStringLiteral("/opt/plugins/"));
        QCOMPARE(Items("listActive"), QStringList({"IFBMP.spi", "ifgif.spi", "ifpng.spi"}));
        QCOMPARE(Items("listInactive"), QStringList({"Ifjpeg.spi", "iftiff.spi"}));
    }

    void okStoresFolderWritesInactiveListAndReloads() {
        Move("listActive", {"IFBMP.spi", "ifpng.spi"}, "buttonRemove");
        Move("listInactive", {"iftiff.spi"}, "buttonAdd");
        QCOMPARE(Items("listActive"), QStringList({"ifgif.spi", "iftiff.spi"}));
        m_dialog->accept();
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
        QCOMPARE(m_writes, 1);
        QCOMPARE(m_written, QStringList({"IFBMP.spi", "Ifjpeg.spi", "ifpng.spi"}));
        QCOMPARE(m_setFolder, QStringLiteral("/opt/plugins/"));
        QCOMPARE(m_reloads, 1);
    }

    void cancelAfterMovingChangesNothing() {
        Move("listActive", {"ifgif.spi"}, "buttonRemove");
        Find<QLineEdit>("editFolder")->setText(QStringLiteral("/other/"));
        m_dialog->reject();
        QCOMPARE(m_writes + m_reloads + m_folderChanges, 0);
    }

    // OK takes a newly typed folder but saves the inactive list shown for the old one.
    void typedFolderWithoutRereadingKeepsTheListsShown() {
        Find<QLineEdit>("editFolder")->setText(QStringLiteral("/other/"));
        m_dialog->accept();
        QCOMPARE(m_setFolder, QStringLiteral("/other/"));
        QCOMPARE(m_written, QStringList({"Ifjpeg.spi", "iftiff.spi"}));
    }

    void rereadAndBrowseFillTheListsForTheNewFolder() {
        Find<QLineEdit>("editFolder")->setText(QStringLiteral("/other/"));
        Find<QAbstractButton>("buttonRereadFolder")->click();
        QCOMPARE(Items("listActive"), QStringList({"ifwebp.spi"}));
        QString offered;
        SetBrowseForFolderFunction([&](QWidget*, QString& folder, const QString& initial) {
            offered = initial;
            folder = QStringLiteral("/opt/plugins/");
            return true;
        });
        Find<QAbstractButton>("buttonBrowse")->click();
        SetBrowseForFolderFunction({});
        QCOMPARE(offered, QStringLiteral("/other/"));
        QCOMPARE(Find<QLineEdit>("editFolder")->text(), QStringLiteral("/opt/plugins/"));
        QCOMPARE(Items("listActive").size(), 3);
    }

    void movesAtMostOneHundredPerClick() {
        QStringList many;
        for (int i = 0; i < 150; ++i)
            many << QStringLiteral("p%1.spi").arg(i, 3, 10, QLatin1Char('0'));
        m_folders["/opt/plugins/"] = {many, {}};
        Open();
        Move("listActive", many, "buttonRemove");
        QCOMPARE(Items("listInactive"), many.mid(0, 100)); // the first hundred
        Move("listActive", many, "buttonRemove");
        QCOMPARE(Items("listInactive"), many);
        QVERIFY(Items("listActive").isEmpty());
    }
};

QTEST_MAIN(TestPluginSettingsDialog)
#include "susie_dialog_test.moc"
