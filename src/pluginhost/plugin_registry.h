// The plug-in registry: which plug-in files exist in a plug-in folder and which of them the user
// has switched off (the "Plugins" section of the settings file); and the plug-in host, which
// loads the active ones. Loading and unloading happen on one thread (the user-interface thread
// of the desktop program); picture loading walks the loaded table from any thread.
#pragma once

#include "pluginhost/plugin_abi.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class IniText;
class QLibrary;

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

// What loading made of one plug-in file: "loaded", "switched off" or "refused: " and the reason.
struct PluginFileState {
    QString fileName;
    QString state;
};

// One loaded plug-in: the library stays loaded until its host unloads it. An export the plug-in
// lacks is null.
struct LoadedPlugin {
    QLibrary* library = nullptr; // owned by the host
    QString fileName;
    SpiIsSupportedFn isSupported = nullptr;
    SpiGetPictureFn getPicture = nullptr;
    // Held around every GetPicture call: a plug-in decodes for one thread at a time. Shared by
    // the entries of one library (two file names of the same library file load it once).
    std::shared_ptr<std::mutex> decodeLock;
};

// The plug-ins of one program: the plug-in folder and the plug-ins loaded from it. The program
// owns one host and hands it to whoever opens pictures or edits the plug-in settings.
class PluginHost {
public:
    PluginHost() = default;
    ~PluginHost() { Unload(); }
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    // The plug-in folder; Load appends the separator to it and keeps it there.
    const QString& Folder() const { return m_folder; }
    void SetFolder(const QString& folder) { m_folder = folder; }

    // Loads every active plug-in of the folder whose version text names an import plug-in;
    // replaces whatever was loaded before.
    void Load();
    // The same, but each plug-in is loaded only when picture loading first comes to it (see
    // PluginAt), so a file that an early plug-in reads never loads the later ones. For programs
    // that only read pictures; Loaded() then holds the plug-ins loaded so far.
    void LoadOnDemand();
    // The k-th plug-in of the load order, loading it first when it is still pending; null past
    // the last. Safe to call from several threads; the plug-ins of the table stay where they
    // are while more are loaded.
    const LoadedPlugin* PluginAt(std::size_t k) const;
    // Releases every loaded plug-in.
    void Unload();

    // The loaded plug-ins in load order, which is the order picture loading asks them in.
    const std::vector<LoadedPlugin>& Loaded() const { return m_plugins; }
    // What the last Load made of each plug-in file of the folder, in folder order.
    std::vector<PluginFileState> FileStates() const;

private:
    // Loads one plug-in file of the folder and appends it to the table, or notes why not.
    void LoadFile(const QString& name);

    QString m_folder;
    std::vector<LoadedPlugin> m_plugins;
    QHash<QString, QString> m_refusals; // why each file of the last load was not loaded
    // Loading on demand: the active files in order, how many of them were tried, and how many
    // plug-ins the table holds for readers that do not take the lock.
    QStringList m_pending;
    mutable qsizetype m_tried = 0;
    mutable std::atomic<std::size_t> m_ready{0};
    mutable std::mutex m_loading;
};
