#include "settings/ini_text.h"

#include <gtest/gtest.h>

namespace {

// Setting one key changes that key's line only; everything else keeps its bytes.
TEST(IniText, SettingAKeyChangesOnlyItsLine) {
    const struct {
        const char* name;
        const char* before;
        const char* after; // with [A] k set to 2
    } rows[] = {
        {"in place, spacing and CR LF kept", "[A]\r\nk =  1\r\n", "[A]\r\nk =  2\r\n"},
        {"names in any case", "[a]\nK=1\n", "[a]\nK=2\n"},
        {"the first of two equal keys", "[A]\nk=1\nk=3\n", "[A]\nk=2\nk=3\n"},
        {"a comment is no key", "[A]\n;k=1\n#k=1\n", "[A]\n;k=1\n#k=1\nk=2\n"},
        {"added before the blank line", "[A]\nx=1\n\n[B]\n", "[A]\nx=1\nk=2\n\n[B]\n"},
        {"section appended", "[B]\ny=1", "[B]\ny=1\n\n[A]\nk=2\n"},
        {"after a byte order mark", "\xEF\xBB\xBF[A]\nk=1\n", "\xEF\xBB\xBF[A]\nk=2\n"},
        {"empty file", "", "[A]\nk=2\n"},
    };
    for (const auto& row : rows) {
        IniText text{QByteArray(row.before)};
        text.SetValue("A", "k", "2");
        EXPECT_EQ(text.Text(), QByteArray(row.after)) << row.name;
    }
}

} // namespace
