// Shared set-up of the host tests: a private settings folder (XDG_CONFIG_HOME) and a private
// plug-in folder filled with chosen test plug-ins.
#pragma once

#include "pluginhost/plugin_registry.h"
#include "settings/settings_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class HostTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8()); }
    void TearDown() override { m_host.Unload(); }

    // Copies the test plug-in `kind` ("script", "refuse", ...) into the plug-in folder.
    void AddTestPlugin(const QString& kind) {
        ASSERT_TRUE(QFile::copy(QStringLiteral(XKORVO_TEST_PLUGIN_DIR "/") + kind + ".spi",
                                m_folder.filePath(kind + ".spi")));
    }
    void AddFile(const QString& name, const QByteArray& bytes = {}) {
        QFile file(m_folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    void WriteSettings(const QByteArray& text) {
        QDir().mkpath(QFileInfo(SettingsFilePath()).absolutePath());
        QFile file(SettingsFilePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    static QByteArray ReadSettings() {
        QFile file(SettingsFilePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QStringList LoadedNames() const {
        QStringList names;
        for (const LoadedPlugin& plugin : m_host.Loaded())
            names << plugin.fileName;
        return names;
    }
    QString folder() const { return m_folder.path(); }
    // Loads the plug-ins of the test's plug-in folder.
    void LoadFolder() {
        m_host.SetFolder(folder());
        m_host.Load();
    }

    PluginHost m_host;

private:
    QTemporaryDir m_config;
    QTemporaryDir m_folder;
};
