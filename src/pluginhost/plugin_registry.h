// The plug-in registry: which plug-in files exist in the plug-in folder, which of them the user
// has switched off (the "Plugins" section of the settings file), and which are loaded. Loading
// and unloading happen on the user-interface thread; picture loading walks the loaded table.
#pragma once

#include "pluginhost/plugin_abi.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <mutex>
#include <vector>

class IniText;
class QLibrary;

// The plug-in folder. LoadPlugins appends the separator to it and keeps it there.
extern QString g_strPluginPath;

// `path` with a trailing "/" (an empty path becomes "/").
QString AppendSeparator(const QString& path);

// The names (no folder) of the "*.spi" files in `folder`, sorted by name; empty when the folder
// cannot be read.
QStringList ScanPluginFolder(const QString& folder);

// The switched-off names that still exist in `folder`, in the reverse of their section order.
QStringList GetInactivePlugins(const QString& folder);

// The plug-in files of `folder` minus the switched-off ones, in folder order.
QStringList GetActivePlugins(const QString& folder);

// Rewrites the "Plugins" section of the settings file as "1=name", "2=name", ... in list order.
// Names that would take the section past 30000 bytes are dropped. Other sections are kept as
// they are. A file that cannot be read or written is left alone, silently.
void WriteInactivePlugins(const QStringList& names);

// Loads every active plug-in of g_strPluginPath whose version text names an import plug-in;
// replaces whatever was loaded before.
void LoadPlugins();

// Releases every loaded plug-in.
void UnloadPlugins();

// Where plug-ins are looked for on a first start: <prefix>/lib/xkorvo/plugins when the program
// runs from an installed <prefix>/bin and that folder exists, otherwise the program's folder.
// With a trailing separator.
QString DefaultPluginFolder();

// The same choice for a program living in `programFolder`.
QString PluginFolderFor(const QString& programFolder);

// The folder a first start takes: SUSIE_PLUGIN_PATH when it is set, else DefaultPluginFolder().
QString FirstStartPluginFolder();

// The folder both programs load from: "PluginPath" of a settings file this version wrote (as
// stored), else the first start's folder.
QString PluginFolderFromSettings(const IniText& settings, const QString& runningVersion);

// What the last LoadPlugins made of each plug-in file of g_strPluginPath, in folder order:
// "loaded", "switched off" or "refused: " and the reason.
struct PluginFileState {
    QString fileName;
    QString state;
};
std::vector<PluginFileState> PluginFileStates();

// One loaded plug-in: the library stays loaded until UnloadPlugins. An export the plug-in lacks
// is null.
struct LoadedPlugin {
    QLibrary* library = nullptr; // owned by the registry
    QString fileName;
    SpiIsSupportedFn isSupported = nullptr;
    SpiGetPictureFn getPicture = nullptr;
    // Held around every GetPicture call: a plug-in decodes for one thread at a time. Shared by
    // the entries of one library (two file names of the same library file load it once).
    std::shared_ptr<std::mutex> decodeLock;
};

// The loaded plug-ins in load order, which is the order picture loading asks them in.
const std::vector<LoadedPlugin>& LoadedPlugins();
