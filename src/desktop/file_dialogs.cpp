#include "desktop/file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

FileDialogRunner& Runner() {
    static FileDialogRunner runner;
    return runner;
}

std::optional<FileDialogAnswer> RunSystemDialog(QWidget* owner, const FileDialogRequest& req) {
    QFileDialog dlg(owner, req.title, req.initialDir);
    dlg.setAcceptMode(req.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(req.save ? QFileDialog::AnyFile : QFileDialog::ExistingFiles);
    // Qt reads the patterns from the last parentheses of each filter; the list shows the text
    // before them, so each entry reads as its text says.
    QStringList qtFilters;
    for (const FileFilter& filter : req.filters)
        qtFilters << filter.text + QStringLiteral(" (") + filter.patterns + QLatin1Char(')');
    dlg.setOption(QFileDialog::HideNameFilterDetails);
    dlg.setNameFilters(qtFilters);
    if (req.filterIndex >= 1 && req.filterIndex <= qtFilters.size())
        dlg.selectNameFilter(qtFilters[req.filterIndex - 1]);
    // With the details hidden, Qt names a filter by the text it shows; 1-based, 0 for none.
    const auto indexOf = [&](const QString& chosen) {
        for (qsizetype i = 0; i < req.filters.size(); ++i)
            if (chosen == qtFilters[i] || chosen == req.filters[i].text)
                return int(i) + 1;
        return 0;
    };
    // A name typed without extension takes that of the filter shown, if it has one.
    const auto suffixFor = [&req](int index) {
        const QString ext = FilterExtension(req.filters.value(index - 1));
        return ext.isEmpty() ? req.defaultSuffix : ext;
    };
    dlg.setDefaultSuffix(suffixFor(req.filterIndex));
    QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, [&](const QString& chosen) {
        dlg.setDefaultSuffix(suffixFor(indexOf(chosen)));
    });
    if (!req.fileName.isEmpty())
        dlg.selectFile(req.fileName);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return std::nullopt;
    FileDialogAnswer answer;
    answer.files = dlg.selectedFiles();
    const int chosen = indexOf(dlg.selectedNameFilter());
    answer.filterIndex = chosen ? chosen : req.filterIndex;
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

QString FilterExtension(const FileFilter& filter) {
    static const QRegularExpression onePattern(QStringLiteral("^\\*\\.([A-Za-z0-9]+)$"));
    const QRegularExpressionMatch match = onePattern.match(filter.patterns);
    return match.hasMatch() ? match.captured(1) : QString();
}

QList<FileFilter> ConvertFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QList<FileFilter> out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& pattern = parts[i + 1];
        QString text = parts[i];
        if (!text.contains(QLatin1Char('(') + pattern + QLatin1Char(')')))
            text += QStringLiteral(" (") + pattern + QLatin1Char(')');
        QString patterns = pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern;
        out << FileFilter{text, patterns.replace(QLatin1Char(';'), QLatin1Char(' '))};
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
    m_nFilterIndex = answer->filterIndex;
    const QString ext = ChosenExtension().isEmpty() ? m_strDefExt : ChosenExtension();
    if (QFileInfo(name).suffix().isEmpty() && !ext.isEmpty())
        name += QLatin1Char('.') + ext;
    m_strFileName = name;
    m_strInitialDir = StripFileName(m_strFileName);
    return true;
}

QString CSaveFileDialog::ChosenExtension() const {
    return FilterExtension(ConvertFilter(m_strFilter).value(m_nFilterIndex - 1));
}
