#include "pluginhost/plugins_section.h"

#include <QList>

namespace {

const QByteArray kSectionHeader = QByteArrayLiteral("[Plugins]");

bool IsSectionHeader(const QByteArray& line) {
    return line.trimmed().startsWith('[');
}

// The text split into lines without their line ends.
QList<QByteArray> SplitLines(const QByteArray& text) {
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

// Index of the section's header line, or -1.
qsizetype FindSection(const QList<QByteArray>& lines) {
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].trimmed() == kSectionHeader)
            return i;
    }
    return -1;
}

} // namespace

QStringList ReadPluginsSection(const QByteArray& iniText) {
    QStringList values;
    const QList<QByteArray> lines = SplitLines(iniText);
    const qsizetype header = FindSection(lines);
    if (header < 0)
        return values;
    // Each entry takes its bytes and a terminator; one more terminator ends the block.
    int used = 1;
    for (qsizetype i = header + 1; i < lines.size() && !IsSectionHeader(lines[i]); ++i) {
        const QByteArray& entry = lines[i];
        if (entry.trimmed().isEmpty() || entry.startsWith(';'))
            continue;
        if (used + entry.size() + 1 > kPluginsSectionLimit)
            break;
        used += int(entry.size()) + 1;
        const qsizetype equals = entry.indexOf('=');
        if (equals < 0)
            break;
        values.append(QString::fromUtf8(entry.mid(equals + 1)));
    }
    return values;
}

QByteArray ReplacePluginsSection(const QByteArray& iniText, const QStringList& names) {
    QList<QByteArray> body;
    int used = 1;
    for (const QString& name : names) {
        QByteArray entry = QByteArray::number(body.size() + 1) + '=' + name.toUtf8();
        if (used + entry.size() + 1 > kPluginsSectionLimit)
            break;
        used += int(entry.size()) + 1;
        body.append(entry);
    }

    QList<QByteArray> lines = SplitLines(iniText);
    qsizetype header = FindSection(lines);
    if (header < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append(QByteArray());
        lines.append(kSectionHeader);
        header = lines.size() - 1;
    }
    qsizetype end = header + 1;
    while (end < lines.size() && !IsSectionHeader(lines[end]))
        ++end;
    lines.remove(header + 1, end - (header + 1));
    if (header + 1 < lines.size())
        body.append(QByteArray()); // a blank line before the next section
    for (qsizetype i = 0; i < body.size(); ++i)
        lines.insert(header + 1 + i, body[i]);

    QByteArray text;
    for (const QByteArray& line : lines)
        text += line + '\n';
    return text;
}
