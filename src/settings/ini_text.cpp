#include "settings/ini_text.h"

namespace {

const QByteArray kByteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");

bool IsHeader(const QByteArray& content) {
    return content.trimmed().startsWith('[');
}

// "[ name ]" gives "name"; a header without its closing bracket runs to the end of the line.
QByteArray HeaderName(const QByteArray& content) {
    QByteArray name = content.trimmed().mid(1);
    const qsizetype close = name.indexOf(']');
    if (close >= 0)
        name.truncate(close);
    return name.trimmed();
}

bool SameName(QByteArrayView a, QByteArrayView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The key of an entry line; nullopt for a blank line, a comment or a line without '='.
std::optional<QByteArray> KeyOf(const QByteArray& content) {
    const QByteArray trimmed = content.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(';') || trimmed.startsWith('#'))
        return std::nullopt;
    const qsizetype equals = content.indexOf('=');
    if (equals < 0)
        return std::nullopt;
    return content.left(equals).trimmed();
}

} // namespace

IniText::IniText(const QByteArray& text) {
    qsizetype start = 0;
    while (start < text.size()) {
        Line line;
        const qsizetype newline = text.indexOf('\n', start);
        if (newline < 0) {
            line.text = text.mid(start);
            start = text.size();
        } else {
            const qsizetype stop =
                newline > start && text[newline - 1] == '\r' ? newline - 1 : newline;
            line.text = text.mid(start, stop - start);
            line.end = text.mid(stop, newline + 1 - stop);
            start = newline + 1;
        }
        m_lines.push_back(std::move(line));
    }
}

QByteArray IniText::Text() const {
    QByteArray text;
    for (const Line& line : m_lines)
        text += line.text + line.end;
    return text;
}

// A line without the byte order mark an editor may have put before the first one.
QByteArray IniText::Content(std::size_t index) const {
    const QByteArray& text = m_lines[index].text;
    return index == 0 && text.startsWith(kByteOrderMark) ? text.mid(kByteOrderMark.size()) : text;
}

std::optional<std::size_t> IniText::FindSection(QByteArrayView section) const {
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const QByteArray content = Content(i);
        if (IsHeader(content) && SameName(HeaderName(content), section))
            return i;
    }
    return std::nullopt;
}

std::size_t IniText::SectionEnd(std::size_t header) const {
    std::size_t end = header + 1;
    while (end < m_lines.size() && !IsHeader(Content(end)))
        ++end;
    return end;
}

std::optional<std::size_t> IniText::FindKey(QByteArrayView section, QByteArrayView key) const {
    const auto header = FindSection(section);
    if (!header)
        return std::nullopt;
    for (std::size_t i = *header + 1; i < SectionEnd(*header); ++i) {
        const auto found = KeyOf(Content(i));
        if (found && SameName(*found, key))
            return i;
    }
    return std::nullopt;
}

std::optional<QByteArray> IniText::Value(QByteArrayView section, QByteArrayView key) const {
    const auto index = FindKey(section, key);
    if (!index)
        return std::nullopt;
    const QByteArray content = Content(*index);
    return content.mid(content.indexOf('=') + 1).trimmed();
}

void IniText::SetValue(QByteArrayView section, QByteArrayView key, const QByteArray& value) {
    if (const auto index = FindKey(section, key)) {
        QByteArray& text = m_lines[*index].text;
        qsizetype start = text.indexOf('=') + 1;
        while (start < text.size() && (text[start] == ' ' || text[start] == '\t'))
            ++start;
        text = text.left(start) + value;
        return;
    }
    const auto found = FindSection(section);
    const std::size_t header = found ? *found : AppendSection(section);
    // After the section's last line that is not blank, so that a blank line before the next
    // section stays where it is.
    std::size_t at = SectionEnd(header);
    while (at > header + 1 && Content(at - 1).trimmed().isEmpty())
        --at;
    InsertLine(at, key.toByteArray() + '=' + value);
}

void IniText::RemoveKey(QByteArrayView section, QByteArrayView key) {
    if (const auto index = FindKey(section, key))
        m_lines.erase(m_lines.begin() + std::ptrdiff_t(*index));
}

std::optional<QList<QByteArray>> IniText::SectionLines(QByteArrayView section) const {
    const auto header = FindSection(section);
    if (!header)
        return std::nullopt;
    QList<QByteArray> lines;
    for (std::size_t i = *header + 1; i < SectionEnd(*header); ++i)
        lines.append(Content(i));
    return lines;
}

void IniText::ReplaceSectionLines(QByteArrayView section, const QList<QByteArray>& lines) {
    const auto found = FindSection(section);
    const std::size_t header = found ? *found : AppendSection(section);
    m_lines.erase(m_lines.begin() + std::ptrdiff_t(header + 1),
                  m_lines.begin() + std::ptrdiff_t(SectionEnd(header)));
    std::size_t at = header + 1;
    for (const QByteArray& line : lines)
        InsertLine(at++, line);
    if (at < m_lines.size())
        InsertLine(at, {});
}

std::size_t IniText::AppendSection(QByteArrayView section) {
    if (!m_lines.empty() && !Content(m_lines.size() - 1).trimmed().isEmpty())
        InsertLine(m_lines.size(), {});
    InsertLine(m_lines.size(), '[' + section.toByteArray() + ']');
    return m_lines.size() - 1;
}

void IniText::InsertLine(std::size_t at, const QByteArray& text) {
    if (at > 0 && m_lines[at - 1].end.isEmpty())
        m_lines[at - 1].end = LineEnd();
    m_lines.insert(m_lines.begin() + std::ptrdiff_t(at), Line{text, LineEnd()});
}

// New lines end as the file's first line does.
QByteArray IniText::LineEnd() const {
    if (!m_lines.empty() && !m_lines.front().end.isEmpty())
        return m_lines.front().end;
    return QByteArrayLiteral("\n");
}
