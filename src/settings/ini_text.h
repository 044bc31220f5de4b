// The text of an INI file, kept line by line so that an edit changes only the lines it is about:
// comments, unknown sections and keys, spacing, line ends and the raw "Plugins" entries stay byte
// for byte. Section and key names compare ASCII case-insensitively, as private profile files do,
// and the first of two equal names counts. Values are raw bytes; their meaning is the caller's.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <optional>
#include <vector>

class IniText {
public:
    IniText() = default;
    explicit IniText(const QByteArray& text);

    [[nodiscard]] QByteArray Text() const;

    // The text after the first '=' of the key's line, blanks around it removed; nullopt when the
    // section or the key is missing.
    [[nodiscard]] std::optional<QByteArray> Value(QByteArrayView section, QByteArrayView key) const;
    // Sets the value in place when the key exists (what precedes the value keeps its form), else
    // adds "key=value" after the section's last line, appending the section when it is missing.
    void SetValue(QByteArrayView section, QByteArrayView key, const QByteArray& value);
    void RemoveKey(QByteArrayView section, QByteArrayView key);

    // The lines between the section's header and the next header, without their line ends.
    [[nodiscard]] std::optional<QList<QByteArray>> SectionLines(QByteArrayView section) const;
    // Replaces those lines, appending the section when it is missing. A blank line stays between
    // the section and a section that follows it.
    void ReplaceSectionLines(QByteArrayView section, const QList<QByteArray>& lines);

private:
    struct Line {
        QByteArray text;
        QByteArray end; // "\n", "\r\n", or empty for a last line without one
    };

    QByteArray Content(std::size_t index) const;
    std::optional<std::size_t> FindSection(QByteArrayView section) const;
    std::size_t SectionEnd(std::size_t header) const;
    std::optional<std::size_t> FindKey(QByteArrayView section, QByteArrayView key) const;
    std::size_t AppendSection(QByteArrayView section);
    void InsertLine(std::size_t at, const QByteArray& text);
    QByteArray LineEnd() const;

    std::vector<Line> m_lines;
};
