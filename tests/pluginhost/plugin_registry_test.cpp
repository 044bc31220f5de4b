#include "pluginhost/plugin_registry.h"
#include "pluginhost/plugins_section.h"
#include "tests/pluginhost/host_fixture.h"

#include <gtest/gtest.h>

extern "C" int AbiHeaderCompilesAsC(void);

namespace {

TEST(PluginAbi, HeaderCompilesAsCAndAsCpp) {
    EXPECT_EQ(AbiHeaderCompilesAsC(), 4);
    SpiGetPictureFn getPicture = nullptr;
    EXPECT_EQ(getPicture, nullptr);
}

TEST(AppendSeparator, AddsOneSeparatorOnlyWhenMissing) {
    const struct {
        const char* in;
        const char* out;
    } rows[] = {
        {"", "/"},
        {"/usr/lib/xkorvo", "/usr/lib/xkorvo/"},
        {"/usr/lib/xkorvo/", "/usr/lib/xkorvo/"},
        {"plugins\xC3\xA9", "plugins\xC3\xA9/"}, // a name ending in a two-byte character
    };
    for (const auto& row : rows)
        EXPECT_EQ(AppendSeparator(QString::fromUtf8(row.in)), QString::fromUtf8(row.out)) << row.in;
}

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

TEST(PluginsSection, ReplaceKeepsOtherSectionsAndNumbersFromOne) {
    const QByteArray before = "[Infomation]\nVersion=1.0\n\n[Plugins]\n1=old.spi\n2=older.spi\n\n"
                              "[FileOperation]\nPluginPath=/x/\n";
    const QByteArray after = ReplacePluginsSection(before, {"png.spi", "gif.spi"});
    EXPECT_EQ(after, QByteArray("[Infomation]\nVersion=1.0\n\n[Plugins]\n1=png.spi\n2=gif.spi\n\n"
                                "[FileOperation]\nPluginPath=/x/\n"));
}

TEST(PluginsSection, ReplaceAppendsAMissingSectionAndEmptiesOnEmptyList) {
    EXPECT_EQ(ReplacePluginsSection("[A]\nk=v\n", {"x.spi"}),
              QByteArray("[A]\nk=v\n\n[Plugins]\n1=x.spi\n"));
    EXPECT_EQ(ReplacePluginsSection("[Plugins]\n1=x.spi\n", {}), QByteArray("[Plugins]\n"));
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

using Registry = HostTest;

TEST_F(Registry, InstalledProgramFindsItsPluginFolder) {
    QDir root(folder());
    ASSERT_TRUE(root.mkpath("prefix/bin"));
    ASSERT_TRUE(root.mkpath("build/bin"));
    ASSERT_TRUE(root.mkpath("prefix/lib/xkorvo/plugins"));
    EXPECT_EQ(PluginFolderFor(folder() + "/prefix/bin"), folder() + "/prefix/lib/xkorvo/plugins/");
    // Without that folder (a build tree), the plug-ins sit beside the program.
    EXPECT_EQ(PluginFolderFor(folder() + "/build/bin/"), folder() + "/build/bin/");
}

TEST_F(Registry, InactiveNamesAreReversedAndDroppedWhenNotOnDisk) {
    AddFile("a.spi");
    AddFile("b.spi");
    AddFile("c.spi");
    WriteSettings("[Plugins]\n1=a.spi\n2=gone.spi\n3=c.spi\n");
    EXPECT_EQ(GetInactivePlugins(folder()), QStringList({"c.spi", "a.spi"}));
    EXPECT_EQ(GetActivePlugins(folder()), QStringList({"b.spi"}));
}

TEST_F(Registry, SectionRulesDecideTheActiveList) {
    const struct {
        const char* name;
        const char* section;
        QStringList active;
    } rows[] = {
        {"no settings file", nullptr, {"a.spi", "b.spi", "c.spi"}},
        {"empty section", "[Plugins]\n", {"a.spi", "b.spi", "c.spi"}},
        {"duplicate keeps the file inactive", "[Plugins]\n1=b.spi\n2=b.spi\n", {"a.spi", "c.spi"}},
        {"names after an entry without '=' stay active",
         "[Plugins]\n1=a.spi\nx\n2=b.spi\n",
         {"b.spi", "c.spi"}},
        {"names are case-sensitive", "[Plugins]\n1=A.spi\n", {"a.spi", "b.spi", "c.spi"}},
        {"a renamed file is active again", "[Plugins]\n1=old.spi\n", {"a.spi", "b.spi", "c.spi"}},
    };
    AddFile("c.spi");
    AddFile("a.spi");
    AddFile("b.spi");
    AddFile("readme.txt");
    for (const auto& row : rows) {
        QFile::remove(SettingsFilePath());
        if (row.section)
            WriteSettings(row.section);
        EXPECT_EQ(GetActivePlugins(folder()), row.active) << row.name;
    }
}

TEST_F(Registry, WriteInactiveKeepsTheDesktopSections) {
    WriteSettings("[ViewSettings]\nzoom=3\n[Plugins]\n1=a.spi\n");
    WriteInactivePlugins({"x.spi", "y.spi"});
    EXPECT_EQ(ReadSettings(), QByteArray("[ViewSettings]\nzoom=3\n[Plugins]\n1=x.spi\n2=y.spi\n"));
}

TEST_F(Registry, LoadsOnlyImportPluginsAndKeepsTheSeparator) {
    AddTestPlugin("script");
    AddTestPlugin("badversion");
    AddTestPlugin("noexports");
    AddTestPlugin("noinfo");
    AddFile("notalibrary.spi", "this is text");
    g_strPluginPath = folder();
    LoadPlugins();
    EXPECT_EQ(g_strPluginPath, folder() + "/");
    EXPECT_EQ(LoadedNames(), QStringList({"noexports.spi", "script.spi"}));
    UnloadPlugins();
    EXPECT_TRUE(LoadedPlugins().empty());
}

} // namespace
