#include "image/bmp_file.h"
#include "pluginhost/plugin_registry.h"
#include "pluginhost/plugins_section.h"
#include "settings/ini_text.h"
#include "settings/settings_keys.h"
#include "tests/pluginhost/host_fixture.h"

#include <QLibrary>
#include <array>
#include <climits>
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

// Setting one key changes that key's line only; everything else keeps its bytes.
TEST(SettingsText, SettingAKeyChangesOnlyItsLine) {
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

TEST(SettingsText, NumbersAndTextsReadAsStored) {
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
    AddTestPlugin("script");
    AddTestPlugin("badversion");
    AddTestPlugin("noexports");
    AddTestPlugin("noinfo");
    AddFile("notalibrary.spi", "this is text");
    AddTestPlugin("refuse");
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
