#include "desktop/file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

FileDialogRunner& Runner() {
    static FileDialogRunner runner;
    return runner;
}

std::optional<FileDialogAnswer> RunSystemDialog(QWidget* owner, const FileDialogRequest& req) {
    QFileDialog dlg(owner, req.title, req.initialDir);
    dlg.setAcceptMode(req.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(req.save ? QFileDialog::AnyFile : QFileDialog::ExistingFiles);
    dlg.setNameFilters(req.filters);
    if (req.filterIndex >= 1 && req.filterIndex <= req.filters.size())
        dlg.selectNameFilter(req.filters[req.filterIndex - 1]);
    dlg.setDefaultSuffix(req.defaultSuffix);
    if (!req.fileName.isEmpty())
        dlg.selectFile(req.fileName);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return std::nullopt;
    FileDialogAnswer answer;
    answer.files = dlg.selectedFiles();
    answer.filterIndex = int(req.filters.indexOf(dlg.selectedNameFilter())) + 1;
    if (answer.filterIndex < 1)
        answer.filterIndex = req.filterIndex;
    return answer;
}

std::optional<FileDialogAnswer> Run(QWidget* owner, const FileDialogRequest& req) {
    return Runner() ? Runner()(owner, req) : RunSystemDialog(owner, req);
}

} // namespace

void SetFileDialogRunner(FileDialogRunner runner) {
    Runner() = std::move(runner);
}

QString StripFileName(const QString& path) {
    QString dir = QFileInfo(path).absolutePath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

QStringList ConvertFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts[i + 1];
        if (pattern == QLatin1String("*.*"))
            pattern = QStringLiteral("*");
        out << parts[i] + QStringLiteral(" (") +
                   pattern.replace(QLatin1Char(';'), QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out;
}

bool COpenFileDialog::RunOpenDialog() {
    FileDialogRequest req{false,          m_strTitle,      ConvertFilter(m_strFilter),
                          m_nFilterIndex, m_strInitialDir, m_strFileName,
                          m_strDefExt};
    const auto answer = Run(m_pOwner, req);
    if (!answer || answer->files.isEmpty())
        return false;
    m_nFilterIndex = answer->filterIndex;
    m_fileList.clear();
    for (const QString& f : answer->files)
        m_fileList << QFileInfo(f).absoluteFilePath();
    m_strFileName = m_fileList.first();
    m_strInitialDir = StripFileName(m_strFileName);
    return true;
}

bool CSaveFileDialog::RunSaveDialog() {
    FileDialogRequest req{true,           m_strTitle,      ConvertFilter(m_strFilter),
                          m_nFilterIndex, m_strInitialDir, m_strFileName,
                          m_strDefExt};
    const auto answer = Run(m_pOwner, req);
    if (!answer || answer->files.isEmpty())
        return false;
    QString name = QFileInfo(answer->files.first()).absoluteFilePath();
    if (QFileInfo(name).suffix().isEmpty() && !m_strDefExt.isEmpty())
        name += QLatin1Char('.') + m_strDefExt;
    m_nFilterIndex = answer->filterIndex;
    m_strFileName = name;
    m_strInitialDir = StripFileName(m_strFileName);
    return true;
}
