// The plug-in settings dialog over a registry that records what the dialog asks of it.
#include "desktop/browse_for_folder.h"
#include "desktop/susie_dialog.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>
#include <gtest/gtest.h>
#include <map>

namespace {

struct FakeRegistry {
    QString folder = QStringLiteral("/opt/plugins/");
    std::map<QString, std::pair<QStringList, QStringList>> folders; // active, inactive
    QStringList written;
    QString setFolder;
    int writes = 0, reloads = 0, folderChanges = 0;

    PluginRegistryAccess Access() {
        return {[this] { return folder; },
                [this](const QString& f) {
                    setFolder = f;
                    ++folderChanges;
                },
                [this](const QString& f) { return folders[f].first; },
                [this](const QString& f) { return folders[f].second; },
                [this](const QStringList& names) {
                    written = names;
                    ++writes;
                },
                [this] { ++reloads; }};
    }
};

QStringList Items(QListWidget* list) {
    QStringList names;
    for (int row = 0; row < list->count(); ++row)
        names << list->item(row)->text();
    return names;
}

class SusieDialog : public ::testing::Test {
protected:
    SusieDialog() {
        registry.folders[registry.folder] = {{"ifpng.spi", "IFBMP.spi", "ifgif.spi"},
                                             {"iftiff.spi", "Ifjpeg.spi"}};
        registry.folders[QStringLiteral("/other/")] = {{"ifwebp.spi"}, {}};
    }
    template <class T> T* Find(QWidget& root, const char* name) {
        T* child = root.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    void Select(QListWidget* list, const QStringList& names) {
        for (int row = 0; row < list->count(); ++row)
            list->item(row)->setSelected(names.contains(list->item(row)->text()));
    }

    FakeRegistry registry;
};

} // namespace

TEST_F(SusieDialog, ShowsTheFolderAndBothListsSorted) {
    CSusieDialog dialog(registry.Access());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Plug-in settings"));
    EXPECT_EQ(Find<QLineEdit>(dialog, "editFolder")->text(), QStringLiteral("/opt/plugins/"));
    EXPECT_EQ(Items(Find<QListWidget>(dialog, "listActive")),
              QStringList({"IFBMP.spi", "ifgif.spi", "ifpng.spi"}));
    EXPECT_EQ(Items(Find<QListWidget>(dialog, "listInactive")),
              QStringList({"Ifjpeg.spi", "iftiff.spi"}));
}

TEST_F(SusieDialog, OkStoresFolderWritesInactiveListAndReloads) {
    CSusieDialog dialog(registry.Access());
    auto* active = Find<QListWidget>(dialog, "listActive");
    Select(active, {"IFBMP.spi", "ifpng.spi"});
    Find<QAbstractButton>(dialog, "buttonRemove")->click();
    Select(Find<QListWidget>(dialog, "listInactive"), {"iftiff.spi"});
    Find<QAbstractButton>(dialog, "buttonAdd")->click();
    EXPECT_EQ(Items(active), QStringList({"ifgif.spi", "iftiff.spi"}));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(registry.writes, 1);
    EXPECT_EQ(registry.written, QStringList({"IFBMP.spi", "Ifjpeg.spi", "ifpng.spi"}));
    EXPECT_EQ(registry.setFolder, QStringLiteral("/opt/plugins/"));
    EXPECT_EQ(registry.reloads, 1);
}

TEST_F(SusieDialog, CancelAfterMovingChangesNothing) {
    CSusieDialog dialog(registry.Access());
    Select(Find<QListWidget>(dialog, "listActive"), {"ifgif.spi"});
    Find<QAbstractButton>(dialog, "buttonRemove")->click();
    Find<QLineEdit>(dialog, "editFolder")->setText(QStringLiteral("/other/"));
    dialog.reject();
    EXPECT_EQ(registry.writes + registry.reloads + registry.folderChanges, 0);
}

TEST_F(SusieDialog, TypedFolderWithoutRereadingKeepsTheListsShown) {
    CSusieDialog dialog(registry.Access());
    Find<QLineEdit>(dialog, "editFolder")->setText(QStringLiteral("/other/"));
    dialog.accept();
    EXPECT_EQ(registry.setFolder, QStringLiteral("/other/"));
    EXPECT_EQ(registry.written, QStringList({"Ifjpeg.spi", "iftiff.spi"}));
}

TEST_F(SusieDialog, SamePeriodAndBrowseRereadTheLists) {
    CSusieDialog dialog(registry.Access());
    auto* active = Find<QListWidget>(dialog, "listActive");
    Find<QLineEdit>(dialog, "editFolder")->setText(QStringLiteral("/other/"));
    Find<QAbstractButton>(dialog, "buttonRereadFolder")->click();
    EXPECT_EQ(Items(active), QStringList({"ifwebp.spi"}));

    QString offered;
    SetBrowseForFolderFunction([&](QWidget*, QString& folder, const QString& initial) {
        offered = initial;
        folder = QStringLiteral("/opt/plugins/");
        return true;
    });
    Find<QAbstractButton>(dialog, "buttonBrowse")->click();
    SetBrowseForFolderFunction({});
    EXPECT_EQ(offered, QStringLiteral("/other/"));
    EXPECT_EQ(Find<QLineEdit>(dialog, "editFolder")->text(), QStringLiteral("/opt/plugins/"));
    EXPECT_EQ(active->count(), 3);
}

TEST_F(SusieDialog, MovesAtMostOneHundredPerClick) {
    QStringList many;
    for (int i = 0; i < 150; ++i)
        many << QStringLiteral("p%1.spi").arg(i, 3, 10, QLatin1Char('0'));
    registry.folders[registry.folder] = {many, {}};
    CSusieDialog dialog(registry.Access());
    auto* active = Find<QListWidget>(dialog, "listActive");
    auto* inactive = Find<QListWidget>(dialog, "listInactive");
    active->selectAll();
    Find<QAbstractButton>(dialog, "buttonRemove")->click();
    EXPECT_EQ(inactive->count(), 100);
    EXPECT_EQ(active->count(), 50);
    EXPECT_EQ(inactive->item(99)->text(), QStringLiteral("p099.spi")); // the first hundred
    active->selectAll();
    Find<QAbstractButton>(dialog, "buttonRemove")->click();
    EXPECT_EQ(inactive->count(), 150);
    EXPECT_EQ(active->count(), 0);
}
