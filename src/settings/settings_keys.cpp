#include "settings/settings_keys.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace {

bool Quoted(const QByteArray& text) {
    return text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
           text.back() == text.front();
}

} // namespace

int ReadInt(const IniText& file, const SettingKey& key) {
    const auto value = file.Value(key.section, key.key);
    if (!value)
        return key.missing;
    const char* first = value->constData();
    const char* last = first + value->size();
    const bool negative = first != last && *first == '-';
    if (first != last && (*first == '+' || *first == '-'))
        ++first;
    // Digits only, so "1e3", "0x10" and "12 colours" are no whole numbers.
    if (first == last || !std::all_of(first, last, [](char c) { return c >= '0' && c <= '9'; }))
        return key.builtIn;
    long long magnitude = 0;
    const auto [end, error] = std::from_chars(first, last, magnitude);
    constexpr long long kMax = std::numeric_limits<int>::max();
    if (error == std::errc::result_out_of_range || end != last || magnitude > kMax + 1)
        magnitude = kMax + 1;
    const long long number = negative ? -magnitude : magnitude;
    return int(std::clamp<long long>(number, std::numeric_limits<int>::min(), kMax));
}

QString ReadText(const IniText& file, const SettingKey& key) {
    QByteArray value = file.Value(key.section, key.key).value_or(QByteArray());
    if (Quoted(value))
        value = value.mid(1, value.size() - 2);
    return QString::fromUtf8(value);
}

void WriteInt(IniText& file, const SettingKey& key, int value) {
    file.SetValue(key.section, key.key, QByteArray::number(value));
}

void WriteText(IniText& file, const SettingKey& key, const QString& value) {
    QByteArray text = value.toUtf8();
    if (text.contains('\n') || text.contains('\r'))
        return;
    if (text != text.trimmed() || Quoted(text))
        text = '"' + text + '"';
    file.SetValue(key.section, key.key, text);
}

int BringIntoRange(const SettingKey& key, int value) {
    switch (key.rule) {
    case OutOfRange::Nearest:
        return std::clamp(value, key.lo, key.hi);
    case OutOfRange::BuiltIn:
        return value >= key.lo && value <= key.hi ? value : key.builtIn;
    case OutOfRange::Flag:
        return value != 0 ? 1 : 0;
    case OutOfRange::Free:
        break;
    }
    return value;
}

bool SettingsTrusted(const IniText& file, const QString& runningVersion) {
    return !runningVersion.isEmpty() && ReadText(file, settings::kVersion) == runningVersion;
}
