#include "settings/ini_text.h"
#include "settings/settings_keys.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

TEST(SettingsKeys, NumbersAndTextsReadAsStored) {
    const SettingKey number{"A", "n", SettingType::Int, -5, 7};
    const struct {
        const char* text;
        int value;
    } numbers[] = {{"[A]\nn= -12 \n", -12},
                   {"[A]\nn=+3\n", 3},
                   {"[A]\nn=99999999999\n", INT_MAX},
                   {"[A]\nn=-99999999999\n", INT_MIN},
                   {"[A]\nn=12 colours\n", 7},
                   {"[A]\nn=0x10\n", 7},
                   {"[A]\nn=\n", 7},
                   {"[A]\nm=1\n", -5}};
    for (const auto& row : numbers)
        EXPECT_EQ(ReadInt(IniText(row.text), number), row.value) << row.text;

    // Texts keep blanks at their ends, enclosing quotes and every other character.
    const SettingKey text{"A", "t", SettingType::Text};
    for (const char* value : {" lead", "trail\t", "\"quoted\"", "'single'", "a,b;c=d\\e \"f",
                              "\xC3\xA9t\xC3\xA9", ""}) {
        IniText file;
        WriteText(file, text, QString::fromUtf8(value));
        EXPECT_EQ(ReadText(file, text), QString::fromUtf8(value)) << file.Text().constData();
    }
    EXPECT_EQ(ReadText(IniText("[A]\nt=\"x\"\n"), text), QStringLiteral("x"));
}

} // namespace
