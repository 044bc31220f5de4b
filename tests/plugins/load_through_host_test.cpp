// The plug-ins we ship, loaded by the host from the program folder, open one picture of every
// format; switching a plug-in off makes its format unreadable.
#include "plugin/picture_loader.h"
#include "plugin/plugin_registry.h"
#include "tests/plugins/spi_harness.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class LoadThroughHost : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        g_strPluginPath = QStringLiteral(XKORVO_BIN_DIR);
    }
    void TearDown() override { UnloadPlugins(); }

    QTemporaryDir m_config;
};

const struct {
    const char* set;
    const char* file;
    const char* plugin;
} kOnePerFormat[] = {
    {"pngsuite", "basn2c08.png", "png.spi"},
    {"jpeg", "testorig.jpg", "jpeg.spi"},
    {"gif", "treescap-interlaced.gif", "gif.spi"},
    {"tiff", "made-rgb-lzw-predictor.tiff", "tiff.spi"},
    {"webp", "lossy_alpha1.webp", "webp.spi"},
    {"bmpsuite", "g/pal8v5.bmp", "bmp.spi"},
};

TEST_F(LoadThroughHost, OpensEveryFormat) {
    LoadPlugins();
    for (const auto& row : kOnePerFormat) {
        const DibHandle dib = LoadPictureByPlugin(TestFilePath(row.set, row.file));
        EXPECT_TRUE(dib) << row.file;
    }
}

TEST_F(LoadThroughHost, SwitchedOffPluginLeavesItsFormatUnread) {
    for (const auto& row : kOnePerFormat) {
        WriteInactivePlugins({row.plugin});
        LoadPlugins();
        EXPECT_FALSE(LoadPictureByPlugin(TestFilePath(row.set, row.file))) << row.file;
        UnloadPlugins();
    }
}

} // namespace
