#include "pluginhost/plugins_section.h"

#include <gtest/gtest.h>

namespace {

TEST(PluginsSection, ReadsValuesInSectionOrder) {
    const struct {
        const char* name;
        const char* text;
        QStringList values;
    } rows[] = {
        {"no section", "[FileOperation]\nPluginPath=/x\n", {}},
        {"keys are ignored", "[Plugins]\n7=b.spi\n1=a.spi\n", {"b.spi", "a.spi"}},
        {"ends at the next section", "[Plugins]\n1=a.spi\n[Other]\n2=b.spi\n", {"a.spi"}},
        {"value after the first '='", "[Plugins]\n1=a=b.spi\n", {"a=b.spi"}},
        {"CR LF line ends", "[Plugins]\r\n1=a.spi\r\n2=b.spi\r\n", {"a.spi", "b.spi"}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ReadPluginsSection(row.text), row.values) << row.name;
}

TEST(PluginsSection, ReplaceRewritesOnlyTheSection) {
    const struct {
        const char* name;
        QByteArray before;
        QStringList names;
        QByteArray after;
    } rows[] = {
        {"other sections kept, entries numbered from 1",
         "[Infomation]\nVersion=1.0\n\n[Plugins]\n1=old.spi\n2=older.spi\n\n[FileOperation]"
         "\nPluginPath=/x/\n",
         {"png.spi", "gif.spi"},
         "[Infomation]\nVersion=1.0\n\n[Plugins]\n1=png.spi\n2=gif.spi\n\n[FileOperation]"
         "\nPluginPath=/x/\n"},
        {"a missing section appended", "[A]\nk=v\n", {"x.spi"}, "[A]\nk=v\n\n[Plugins]\n1=x.spi\n"},
        {"an empty list empties it", "[Plugins]\n1=x.spi\n", {}, "[Plugins]\n"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ReplacePluginsSection(row.before, row.names), row.after) << row.name;
}

TEST(PluginsSection, NamesBeyondTheSectionLimitAreDropped) {
    // Entry n is "n=" + 96 characters + its terminator: 99 bytes for n < 10, 100 below 100,
    // 101 from there on. With the final terminator: 1 + 9 * 99 + 90 * 100 = 9892; 199 entries of
    // 101 bytes reach 29991, and the 299th entry would pass 30000.
    QStringList names;
    for (int i = 0; i < 400; ++i)
        names << QString(96, QChar('a' + i % 26));
    const QStringList written = ReadPluginsSection(ReplacePluginsSection({}, names));
    EXPECT_EQ(written.size(), 298);
}

} // namespace
