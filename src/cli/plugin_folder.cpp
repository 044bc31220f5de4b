#include "cli/plugin_folder.h"

#include "cli/cli_runner.h"
#include "pluginhost/plugin_registry.h"
#include "settings/ini_text.h"
#include "settings/settings_file.h"

#include <QFile>
#include <cstdio>

void LoadCliPlugins(PluginHost& host, const CliOptions& options) {
    const SettingsFileText settings = ReadSettingsFile();
    if (settings.state == SettingsFileText::State::Refused)
        std::fprintf(stderr, "xkorvo-cli: the %s; the built-in settings are used\n",
                     SettingsRefusalText(settings).toLocal8Bit().constData());
    host.SetFolder(options.pluginFolder.empty()
                       ? PluginFolderFromSettings(IniText(settings.text),
                                                  QStringLiteral(XKORVO_VERSION_STRING))
                       : QFile::decodeName(options.pluginFolder.c_str()));
    // Listing the plug-ins reports on every file; reading a picture loads only the plug-ins it
    // asks before one reads it.
    if (options.mode == CliMode::ListPlugins)
        host.Load();
    else
        host.LoadOnDemand();
}

int RunListPlugins(const PluginHost& host) {
    std::printf("Plug-in folder: %s\n", QFile::encodeName(host.Folder()).constData());
    for (const PluginFileState& plugin : host.FileStates())
        std::printf("%s: %s\n", QFile::encodeName(plugin.fileName).constData(),
                    plugin.state.toLocal8Bit().constData());
    return kExitOk;
}
