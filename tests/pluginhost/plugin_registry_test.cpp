#include "pluginhost/plugin_registry.h"
#include "tests/pluginhost/host_fixture.h"

#include <gtest/gtest.h>

namespace {

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

using Registry = HostTest;

TEST_F(Registry, InstalledProgramFindsItsPluginFolder) {
    QDir root(folder());
    for (const char* path : {"prefix/bin", "build/bin", "prefix/lib/xkorvo/plugins"})
        ASSERT_TRUE(root.mkpath(path));
    EXPECT_EQ(PluginFolderFor(folder() + "/prefix/bin"), folder() + "/prefix/lib/xkorvo/plugins/");
    // Without that folder (a build tree), the plug-ins sit beside the program.
    EXPECT_EQ(PluginFolderFor(folder() + "/build/bin/"), folder() + "/build/bin/");
}

// The section lists the switched-off plug-ins; the inactive list is read back in reverse order,
// without the names of files that are gone.
TEST_F(Registry, SectionRulesDecideTheActiveAndInactiveLists) {
    const struct {
        const char* name;
        const char* section;
        QStringList active, inactive;
    } rows[] = {
        // clang-format off
        {"no settings file", nullptr, {"a.spi", "b.spi", "c.spi"}, {}},
        {"empty section", "[Plugins]\n", {"a.spi", "b.spi", "c.spi"}, {}},
        {"reversed, a missing file dropped", "[Plugins]\n1=a.spi\n2=gone.spi\n3=c.spi\n",
         {"b.spi"}, {"c.spi", "a.spi"}},
        {"duplicate keeps the file inactive", "[Plugins]\n1=b.spi\n2=b.spi\n", {"a.spi", "c.spi"},
         {"b.spi", "b.spi"}},
        {"names after an entry without '=' stay active", "[Plugins]\n1=a.spi\nx\n2=b.spi\n",
         {"b.spi", "c.spi"}, {"a.spi"}},
        {"names are case-sensitive", "[Plugins]\n1=A.spi\n", {"a.spi", "b.spi", "c.spi"}, {}},
        {"a renamed file is active again", "[Plugins]\n1=old.spi\n", {"a.spi", "b.spi", "c.spi"}, {}},
        // clang-format on
    };
    for (const char* name : {"c.spi", "a.spi", "b.spi", "readme.txt"})
        AddFile(name);
    for (const auto& row : rows) {
        QFile::remove(SettingsFilePath());
        if (row.section)
            WriteSettings(row.section);
        EXPECT_EQ(GetActivePlugins(folder()), row.active) << row.name;
        EXPECT_EQ(GetInactivePlugins(folder()), row.inactive) << row.name;
    }
}

TEST_F(Registry, WriteInactiveKeepsTheDesktopSections) {
    WriteSettings("[ViewSettings]\nzoom=3\n[Plugins]\n1=a.spi\n");
    WriteInactivePlugins({"x.spi", "y.spi"});
    EXPECT_EQ(ReadSettings(), QByteArray("[ViewSettings]\nzoom=3\n[Plugins]\n1=x.spi\n2=y.spi\n"));
}

// A settings file that is no regular file, or is larger than any real one, is neither read nor
// rewritten: every plug-in stays active and the path keeps what it is.
TEST_F(Registry, SettingsFileThatIsNoRegularFileOrTooLargeIsLeftAlone) {
    AddFile("a.spi");
    AddFile("b.spi");
    const QString path = SettingsFilePath();
    const QByteArray large = "[Plugins]\n1=a.spi\n;" + QByteArray(1 << 20, 'x') + '\n';
    for (const char* row : {"larger than 1 MiB", "a folder", "link to /dev/zero"}) {
        QFile::remove(path);
        QDir().rmdir(path);
        const std::string kind = row;
        if (kind == "a folder")
            ASSERT_TRUE(QDir().mkpath(path));
        else if (kind == "link to /dev/zero")
            ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path));
        else
            WriteSettings(large);
        EXPECT_EQ(GetActivePlugins(folder()), QStringList({"a.spi", "b.spi"})) << row;
        WriteInactivePlugins({"b.spi"});
        if (kind == "a folder")
            EXPECT_TRUE(QFileInfo(path).isDir()) << row;
        else if (kind == "link to /dev/zero")
            EXPECT_EQ(QFileInfo(path).symLinkTarget(), QStringLiteral("/dev/zero")) << row;
        else
            EXPECT_EQ(ReadSettings(), large) << row;
    }
    QFile::remove(path);
}

TEST_F(Registry, LoadsOnlyImportPluginsAndKeepsTheSeparator) {
    for (const char* kind : {"script", "badversion", "noexports", "noinfo", "refuse"})
        AddTestPlugin(kind);
    AddFile("notalibrary.spi", "this is text");
    WriteSettings("[Plugins]\n1=refuse.spi\n");
    LoadFolder();
    EXPECT_EQ(m_host.Folder(), folder() + "/");
    EXPECT_EQ(LoadedNames(), QStringList({"noexports.spi", "script.spi"}));
    QStringList states;
    for (const PluginFileState& plugin : m_host.FileStates())
        states << plugin.fileName + ": " + plugin.state.section(QLatin1Char('('), 0, 0);
    EXPECT_EQ(states, QStringList({"badversion.spi: refused: not an import plug-in",
                                   "noexports.spi: loaded", "noinfo.spi: refused: no GetPluginInfo",
                                   "notalibrary.spi: refused: not a loadable library ",
                                   "refuse.spi: switched off", "script.spi: loaded"}));
    m_host.Unload();
    EXPECT_TRUE(m_host.Loaded().empty());
}

} // namespace
