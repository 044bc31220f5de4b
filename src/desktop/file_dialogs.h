// The open and save dialogs of the main frame. Each object lives as long as the main window and
// is reused, so the chosen filter and folder carry over from one use to the next (and, through
// the settings file, to the next start). The open dialog allows several files at once.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

// One entry of a dialog's filter list: the text the user sees and the patterns it matches.
struct FileFilter {
    QString text;     // "BMP files (*.bmp)"
    QString patterns; // space-separated: "*.bmp"
};

// What the system dialog is asked for and what it answers.
struct FileDialogRequest {
    bool save = false;
    QString title;
    QList<FileFilter> filters;
    int filterIndex = 1; // 1-based
    QString initialDir;
    QString fileName;
    QString defaultSuffix;
};
struct FileDialogAnswer {
    QStringList files; // absolute paths, in the order chosen
    int filterIndex = 1;
};
using FileDialogRunner =
    std::function<std::optional<FileDialogAnswer>(QWidget* owner, const FileDialogRequest&)>;

// Replaces the system dialog (tests answer with a prepared choice); empty restores it.
void SetFileDialogRunner(FileDialogRunner runner);

// The folder of `path` with a trailing separator ("/photos/a.bmp" gives "/photos/").
QString StripFileName(const QString& path);

// The extension a filter of one "*.ext" pattern stands for ("png"); empty for any other filter.
QString FilterExtension(const FileFilter& filter);

// "description|pattern|description|pattern" pairs as filter entries. A description that already
// names its pattern in parentheses is shown as it is, any other gets the pattern appended; the
// all-files pattern "*.*" matches "*", which also takes names without a dot here.
QList<FileFilter> ConvertFilter(const QString& filter);

class COpenFileDialog {
public:
    explicit COpenFileDialog(QWidget* owner) : m_pOwner(owner) {}

    // Shows the dialog; true when the user chose at least one file. On false nothing changes.
    bool RunOpenDialog();

    QString m_strDefExt;
    QString m_strFileName; // the first chosen path; before the call, the proposed name
    QString m_strFilter = QStringLiteral("All files (*.*)|*.*");
    int m_nFilterIndex = 1;
    QString m_strInitialDir;
    QString m_strTitle;
    QStringList m_fileList; // every path of the last successful call

private:
    QWidget* m_pOwner;
};

class CSaveFileDialog {
public:
    explicit CSaveFileDialog(QWidget* owner) : m_pOwner(owner) {}

    // Shows the dialog; true when a name was chosen. A name without extension gets the chosen
    // filter's extension, or m_strDefExt under a filter of no one extension. On false nothing
    // changes.
    bool RunSaveDialog();
    // The extension of the filter chosen last ("" for all files).
    QString ChosenExtension() const;

    QString m_strDefExt;
    QString m_strFileName;
    QString m_strFilter = QStringLiteral("All files (*.*)|*.*");
    int m_nFilterIndex = 1;
    QString m_strInitialDir;
    QString m_strTitle;

private:
    QWidget* m_pOwner;
};
