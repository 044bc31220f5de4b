#include "pluginhost/plugin_registry.h"

#include "pluginhost/plugins_section.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>
#include <algorithm>
#include <array>
#include <memory>
#include <new>

QString AppendSeparator(const QString& path) {
    // Paths are UTF-8 here, where a '/' byte is never part of a longer character.
    if (path.endsWith(QLatin1Char('/')))
        return path;
    return path + QLatin1Char('/');
}

QStringList ScanPluginFolder(const QString& folder) {
    // Sorted by name, so that the order in which plug-ins are asked does not depend on how the
    // file system happens to enumerate the folder.
    const QDir dir(AppendSeparator(folder));
    return dir.entryList({QStringLiteral("*.spi")}, QDir::Files | QDir::Hidden | QDir::System,
                         QDir::Name);
}

QStringList GetInactivePlugins(const QString& folder) {
    const QStringList onDisk = ScanPluginFolder(folder);
    QStringList inactive;
    const SettingsFileText settings = ReadSettingsFile();
    if (settings.state != SettingsFileText::State::Read)
        return inactive;
    for (const QString& name : ReadPluginsSection(settings.text)) {
        if (onDisk.contains(name))
            inactive.prepend(name);
    }
    return inactive;
}

QStringList GetActivePlugins(const QString& folder) {
    QStringList active = ScanPluginFolder(folder);
    for (const QString& name : GetInactivePlugins(folder))
        active.removeOne(name);
    return active;
}

void WriteInactivePlugins(const QStringList& names) {
    const SettingsFileText settings = ReadSettingsFile();
    if (settings.state == SettingsFileText::State::Refused)
        return; // not a file this program may rewrite
    (void)ReplaceSettingsFile(ReplacePluginsSection(settings.text, names));
}

void PluginHost::Load() {
    Unload();
    m_folder = AppendSeparator(m_folder);
    for (const QString& name : GetActivePlugins(m_folder))
        LoadFile(name);
    m_ready.store(m_plugins.size(), std::memory_order_release);
}

void PluginHost::LoadOnDemand() {
    Unload();
    m_folder = AppendSeparator(m_folder);
    m_pending = GetActivePlugins(m_folder);
    // Room for every plug-in up front: a reader's pointer into the table must survive loads.
    m_plugins.reserve(static_cast<std::size_t>(m_pending.size()));
}

const LoadedPlugin* PluginHost::PluginAt(std::size_t k) const {
    if (k < m_ready.load(std::memory_order_acquire))
        return &m_plugins[k];
    std::lock_guard lock(m_loading);
    auto* self = const_cast<PluginHost*>(this); // loading on demand fills the table late
    while (m_plugins.size() <= k && m_tried < m_pending.size())
        self->LoadFile(m_pending[m_tried++]);
    m_ready.store(m_plugins.size(), std::memory_order_release);
    return k < m_plugins.size() ? &m_plugins[k] : nullptr;
}

void PluginHost::LoadFile(const QString& name) {
    auto library = std::make_unique<QLibrary>(m_folder + name);
    if (!library->load()) {
        m_refusals[name] =
            QStringLiteral("not a loadable library (%1)").arg(library->errorString());
        return;
    }
    auto getInfo = reinterpret_cast<SpiGetPluginInfoFn>(library->resolve("GetPluginInfo"));
    if (!getInfo) {
        m_refusals[name] = QStringLiteral("no GetPluginInfo");
        library->unload();
        return;
    }
    // The plug-in is told of 10 bytes; the spare room only guards against one that writes its
    // terminator past them.
    constexpr int kVersionBytes = 10;
    std::array<char, 64> version{};
    const int written = getInfo(SPI_INFO_VERSION, version.data(), kVersionBytes);
    // The text ends after the characters the plug-in says it wrote, never past 10.
    const int length = std::clamp(written, 0, kVersionBytes);
    if (length < 4 || version[2] != 'I' || version[3] != 'N') {
        m_refusals[name] = QStringLiteral("not an import plug-in");
        library->unload();
        return;
    }
    LoadedPlugin plugin;
    plugin.fileName = name;
    plugin.isSupported = reinterpret_cast<SpiIsSupportedFn>(library->resolve("IsSupported"));
    plugin.getPicture = reinterpret_cast<SpiGetPictureFn>(library->resolve("GetPicture"));
    for (const LoadedPlugin& loaded : m_plugins) {
        if (loaded.getPicture == plugin.getPicture)
            plugin.decodeLock = loaded.decodeLock;
    }
    if (!plugin.decodeLock)
        plugin.decodeLock = std::make_shared<std::mutex>();
    plugin.library = library.release();
    m_plugins.push_back(plugin);
}

void PluginHost::Unload() {
    for (LoadedPlugin& plugin : m_plugins) {
        plugin.library->unload();
        delete plugin.library;
    }
    m_plugins.clear();
    m_refusals.clear();
    m_pending.clear();
    m_tried = 0;
    m_ready.store(0, std::memory_order_release);
}

std::vector<PluginFileState> PluginHost::FileStates() const {
    const QStringList inactive = GetInactivePlugins(m_folder);
    std::vector<PluginFileState> states;
    for (const QString& name : ScanPluginFolder(m_folder)) {
        PluginFileState state{name, QStringLiteral("loaded")};
        if (inactive.contains(name))
            state.state = QStringLiteral("switched off");
        else if (m_refusals.contains(name))
            state.state = QStringLiteral("refused: ") + m_refusals.value(name);
        else if (std::none_of(m_plugins.begin(), m_plugins.end(),
                              [&](const LoadedPlugin& p) { return p.fileName == name; }))
            state.state = QStringLiteral("not loaded"); // came after the load
        states.push_back(state);
    }
    return states;
}

QString DefaultPluginFolder() {
    return PluginFolderFor(ProgramFolder());
}

QString FirstStartPluginFolder() {
    const QByteArray fromEnv = qgetenv("SUSIE_PLUGIN_PATH");
    return fromEnv.isEmpty() ? DefaultPluginFolder() : QString::fromLocal8Bit(fromEnv);
}

QString PluginFolderFromSettings(const IniText& settings, const QString& runningVersion) {
    return SettingsTrusted(settings, runningVersion) ? ReadText(settings, settings::kPluginPath)
                                                     : FirstStartPluginFolder();
}

QString PluginFolderFor(const QString& programFolder) {
    const QString program = AppendSeparator(programFolder);
    QDir prefix(program);
    if (QFileInfo(program.chopped(1)).fileName() == QLatin1String("bin") && prefix.cdUp()) {
        const QString installed = prefix.filePath(QStringLiteral("lib/xkorvo/plugins"));
        if (QFileInfo(installed).isDir())
            return AppendSeparator(installed);
    }
    return program;
}

#if defined(__SANITIZE_ADDRESS__)
// Sanitizer builds only. Plug-ins bring libraries with thread-local data into the process after
// start-up (libjpeg-turbo has some); this compiler's leak checker crashes at exit while walking
// such dynamically loaded thread-local blocks. Leaving thread-local memory out of its scan avoids
// that; glib keeps its per-thread data there only, so it is not reported as leaked. The list of
// suppressions used is not printed: programs' standard error stays theirs.
extern "C" const char* __lsan_default_options() {
    return "use_tls=0:print_suppressions=0";
}
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libglib-2.0.so\n";
}
#endif
