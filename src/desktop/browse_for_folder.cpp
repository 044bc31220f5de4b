#include "desktop/browse_for_folder.h"

#include <QFileDialog>

namespace {

BrowseForFolderFunction& Replacement() {
    static BrowseForFolderFunction function;
    return function;
}

} // namespace

void SetBrowseForFolderFunction(BrowseForFolderFunction function) {
    Replacement() = std::move(function);
}

bool BrowseForFolder(QWidget* owner, QString& folder, const QString& initialFolder,
                     const QString& title) {
    if (Replacement())
        return Replacement()(owner, folder, initialFolder);
    const QString chosen =
        QFileDialog::getExistingDirectory(owner, title, initialFolder, QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return false;
    folder = chosen;
    return true;
}
