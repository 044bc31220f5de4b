// What every plug-in we ship answers the same way: its texts, recognition by signature, and a
// picture through the host from the program folder (none once the plug-in is switched off).
#include "pluginhost/picture_loader.h"
#include "pluginhost/plugin_registry.h"
#include "tests/plugins/spi_harness.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const struct {
    const char* plugin;
    const char* set;
    const char* file;
    const char* pattern;
} kPlugins[] = {
    {"png", "pngsuite", "basn2c08.png", "*.png"},
    {"jpeg", "jpeg", "testorig.jpg", "*.jpg"},
    {"gif", "gif", "treescap-interlaced.gif", "*.gif"},
    {"tiff", "tiff", "rgb-3c-8b.tiff", "*.tif"},
    {"webp", "webp", "test.webp", "*.webp"},
    {"bmp", "bmpsuite", "g/pal8v4.bmp", "*.bmp"},
};

TEST(PluginContract, EveryPluginNamesItselfAnImportPlugin) {
    for (const auto& row : kPlugins) {
        SCOPED_TRACE(row.plugin);
        SpiModule spi(row.plugin);
        ASSERT_TRUE(spi.loaded()) << spi.error().toStdString();
        EXPECT_EQ(spi.Info(0), "00IN");
        EXPECT_FALSE(spi.Info(1).empty());
        EXPECT_NE(spi.Info(2).find(row.pattern), std::string::npos);
        EXPECT_FALSE(spi.Info(3).empty());
        EXPECT_EQ(spi.Info(4), "");
    }
}

// Room for three characters and the terminator; none for anything in an empty buffer.
TEST(PluginContract, InfoTextIsCutToTheBuffer) {
    SpiModule spi("png");
    int returned = -1;
    EXPECT_EQ(spi.Info(0, 4, &returned), "00I");
    EXPECT_EQ(returned, 3);
    EXPECT_EQ(spi.Info(0, 0, &returned), "");
    EXPECT_EQ(returned, 0);
}

TEST(PluginContract, EachPluginRecognisesOnlyItsOwnFormat) {
    for (const auto& plugin : kPlugins) {
        SpiModule spi(plugin.plugin);
        for (const auto& file : kPlugins) {
            EXPECT_EQ(spi.Supports(ReadTestFile(file.set, file.file)), &plugin == &file)
                << plugin.plugin << " on " << file.file;
        }
        // The decision rests on the bytes: an empty start is nobody's format.
        EXPECT_FALSE(spi.Supports({})) << plugin.plugin;
    }
}

TEST(PluginContract, HostOpensEveryFormatUnlessItsPluginIsSwitchedOff) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    for (const auto& row : kPlugins) {
        for (const bool switchedOff : {false, true}) {
            WriteInactivePlugins(switchedOff ? QStringList{QString(row.plugin) + ".spi"}
                                             : QStringList{});
            PluginHost host;
            host.SetFolder(QStringLiteral(XKORVO_BIN_DIR));
            host.Load();
            EXPECT_EQ(bool(LoadPictureByPlugin(host, TestFilePath(row.set, row.file)).dib),
                      !switchedOff)
                << row.file;
        }
    }
}

} // namespace
