// Shared set-up of the host tests: a private settings folder (XDG_CONFIG_HOME) and a private
// plug-in folder filled with chosen test plug-ins.
#pragma once

#include "plugin/plugin_registry.h"
#include "plugin/settings_file.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_config.isValid());
        ASSERT_TRUE(m_folder.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    }
    void TearDown() override {
        UnloadPlugins();
        g_strPluginPath.clear();
    }

    // Copies the test plug-in `kind` ("script", "refuse", ...) into the plug-in folder.
    void AddTestPlugin(const QString& kind, const QString& asName = {}) {
        const QString from = QStringLiteral(XKORVO_TEST_PLUGIN_DIR "/") + kind + ".spi";
        const QString to = m_folder.filePath(asName.isEmpty() ? kind + ".spi" : asName);
        ASSERT_TRUE(QFile::copy(from, to)) << from.toStdString();
    }

    void AddFile(const QString& name, const QByteArray& bytes = {}) {
        QFile file(m_folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    void WriteSettings(const QByteArray& text) {
        const QString path = SettingsFilePath();
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QByteArray ReadSettings() {
        QFile file(SettingsFilePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QString folder() const { return m_folder.path(); }

    static QStringList LoadedNames() {
        QStringList names;
        for (const LoadedPlugin& plugin : LoadedPlugins())
            names << plugin.fileName;
        return names;
    }

private:
    QTemporaryDir m_config;
    QTemporaryDir m_folder;
};
