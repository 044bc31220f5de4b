// The folder picker used by the plug-in settings dialog and the control panel's Batch page.
// Gives true with the chosen folder in `folder`, false when the user chose nothing.
#pragma once

#include <QString>
#include <functional>

class QWidget;

[[nodiscard]] bool BrowseForFolder(QWidget* owner, QString& folder, const QString& initialFolder,
                                   const QString& title = QString());

// Replaces the picker (tests answer it without a window); an empty function restores it.
using BrowseForFolderFunction =
    std::function<bool(QWidget* owner, QString& folder, const QString& initialFolder)>;
void SetBrowseForFolderFunction(BrowseForFolderFunction function);
