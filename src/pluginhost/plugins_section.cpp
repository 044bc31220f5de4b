#include "pluginhost/plugins_section.h"

#include "settings/ini_text.h"

namespace {

constexpr QByteArrayView kSection = "Plugins";

} // namespace

QStringList ReadPluginsSection(const QByteArray& iniText) {
    QStringList values;
    const auto lines = IniText(iniText).SectionLines(kSection);
    if (!lines)
        return values;
    // Each entry takes its bytes and a terminator; one more terminator ends the block.
    int used = 1;
    for (const QByteArray& entry : *lines) {
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
    QList<QByteArray> entries;
    int used = 1;
    for (const QString& name : names) {
        QByteArray entry = QByteArray::number(entries.size() + 1) + '=' + name.toUtf8();
        if (used + entry.size() + 1 > kPluginsSectionLimit)
            break;
        used += int(entry.size()) + 1;
        entries.append(entry);
    }
    IniText text(iniText);
    text.ReplaceSectionLines(kSection, entries);
    return text.Text();
}
