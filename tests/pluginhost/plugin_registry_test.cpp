#include "image/bmp_file.h"
#include "pluginhost/plugin_registry.h"
#include "pluginhost/plugins_section.h"
#include "tests/pluginhost/host_fixture.h"

#include <QLibrary>
#include <array>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A shipped plug-in called through the contract's pointer types, as a host written against the
// header alone would: the BMP plug-in reads a bitmap with a version 5 header, and its blocks
// must hold the picture that the program's own reader makes of the same picture stored with a
// classic header.
TEST(PluginAbi, AShippedPluginDecodesThroughTheHeaderTypes) {
    QLibrary library(QStringLiteral(XKORVO_BIN_DIR "/bmp.spi"));
    ASSERT_TRUE(library.load()) << library.errorString().toStdString();
    const auto getInfo = reinterpret_cast<SpiGetPluginInfoFn>(library.resolve("GetPluginInfo"));
    const auto isSupported = reinterpret_cast<SpiIsSupportedFn>(library.resolve("IsSupported"));
    const auto getPicture = reinterpret_cast<SpiGetPictureFn>(library.resolve("GetPicture"));
    ASSERT_TRUE(getInfo && isSupported && getPicture);
    std::array<char, 10> version{};
    ASSERT_EQ(getInfo(SPI_INFO_VERSION, version.data(), int(version.size())), 4);
    EXPECT_EQ(std::strncmp(version.data() + 2, SPI_IMPORT_KIND, 2), 0);

    const char* path = XKORVO_TEST_DATA "/bmpsuite/g/pal8v5.bmp";
    std::array<char, 2048> start{};
    QFile file(QString::fromUtf8(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    file.read(start.data(), qint64(start.size()));
    EXPECT_NE(isSupported(path, start.data()), 0);
    void* info = nullptr;
    void* bits = nullptr;
    ASSERT_EQ(getPicture(path, 0, SPI_INPUT_FILE, &info, &bits, nullptr, 0), SPI_SUCCESS);
    const std::unique_ptr<void, decltype(&std::free)> infoBlock(info, std::free);
    const std::unique_ptr<void, decltype(&std::free)> bitsBlock(bits, std::free);

    const BmpReadResult classic = DibReadFile(XKORVO_TEST_DATA "/bmpsuite/g/pal8.bmp");
    ASSERT_TRUE(classic.dib);
    const std::uint8_t* expected = classic.dib.data();
    const auto* header = static_cast<const std::uint8_t*>(info);
    ASSERT_EQ(ReadU32(header), kInfoHeaderSize);
    EXPECT_EQ(DibGetWidth(header), DibGetWidth(expected));
    EXPECT_EQ(DibGetHeight(header), DibGetHeight(expected));
    ASSERT_EQ(DibGetBitCount(header), 8);
    EXPECT_EQ(std::memcmp(header + kInfoHeaderSize, DibGetColorTable(expected),
                          DibGetColorTableSize(expected)),
              0);
    const std::size_t pixelBytes =
        DibRowStride(8, std::uint64_t(DibGetWidth(expected))) * std::size_t(DibGetHeight(expected));
    EXPECT_EQ(std::memcmp(bits, DibGetBits(expected), pixelBytes), 0);
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
