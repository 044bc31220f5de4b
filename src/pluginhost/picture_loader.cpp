#include "pluginhost/picture_loader.h"

#include "image/dib_check.h"
#include "pluginhost/plugin_abi.h"
#include "pluginhost/plugin_picture.h"
#include "pluginhost/plugin_registry.h"

#include <QFile>
#include <array>
#include <cstdlib>
#include <malloc.h>
#include <memory>

namespace {

// The file's first bytes as plug-ins see them. The 128 extra zero bytes let the second probe,
// 128 bytes in, also read 2048 bytes.
constexpr std::size_t kProbeBytes = 2048;
constexpr long kSecondProbeOffset = 128;

// No progress is shown and a plug-in is never asked to stop.
int IgnoreProgress(int, int, long) {
    return 0;
}

struct FreeBlock {
    void operator()(void* p) const { std::free(p); }
};
using PluginBlock = std::unique_ptr<void, FreeBlock>;

} // namespace

DibHandle LoadPictureByPlugin(const QString& path) {
    std::array<unsigned char, kProbeBytes + kSecondProbeOffset> probe{};
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        if (file.read(reinterpret_cast<char*>(probe.data()), kProbeBytes) < 0)
            return {};
    }
    const QByteArray name = QFile::encodeName(path);

    for (const LoadedPlugin& plugin : LoadedPlugins()) {
        if (!plugin.isSupported)
            continue;
        long offset = 0;
        if (!plugin.isSupported(name.constData(), probe.data())) {
            if (!plugin.isSupported(name.constData(), probe.data() + kSecondProbeOffset))
                continue;
            offset = kSecondProbeOffset;
        }
        if (!plugin.getPicture)
            continue;
        void* info = nullptr;
        void* bits = nullptr;
        if (plugin.getPicture(name.constData(), offset, SPI_INPUT_FILE, &info, &bits,
                              IgnoreProgress, 0) != SPI_SUCCESS)
            continue;
        // From here on both blocks are ours and are freed on every path.
        const PluginBlock infoBlock(info);
        const PluginBlock bitsBlock(bits);
        if (!info || !bits)
            continue;
        // A block the program cannot use counts as that plug-in's failure; the next one may
        // still read the file.
        DibHandle dib =
            CopyPluginPicture(info, malloc_usable_size(info), bits, malloc_usable_size(bits));
        if (dib && DibValidate(dib) == DibStatus::Ok)
            return dib;
    }
    return {};
}
