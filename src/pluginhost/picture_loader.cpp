#include "pluginhost/picture_loader.h"

#include "image/dib_check.h"
#include "pluginhost/plugin_abi.h"
#include "pluginhost/plugin_picture.h"
#include "pluginhost/plugin_registry.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <malloc.h>
#include <memory>
#include <mutex>

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

PluginFailure FailureOfCode(int code) {
    switch (code) {
    case SPI_ERR_NOT_SUPPORTED: // the plug-in took the file for its own at first sight only
        return PluginFailure::NotAccepted;
    case SPI_ERR_MEMORY:
        return PluginFailure::TooLarge;
    default:
        return PluginFailure::Corrupt;
    }
}

PluginFailure FailureOfCopy(DibStatus status) {
    return status == DibStatus::TooLarge || status == DibStatus::OutOfMemory
               ? PluginFailure::TooLarge
               : PluginFailure::Unusable;
}

PictureLoadStatus FailureStatus(PluginFailure plugins, const BmpReadResult& bmp) {
    // A plug-in that recognised the file knows best why it failed.
    if (plugins == PluginFailure::TooLarge)
        return PictureLoadStatus::TooLarge;
    if (plugins != PluginFailure::NotAccepted)
        return PictureLoadStatus::NotPicture;
    if (bmp.error == BmpError::FileError)
        return PictureLoadStatus::FileError;
    if (bmp.error == BmpError::Invalid && bmp.status == DibStatus::TooLarge)
        return PictureLoadStatus::TooLarge;
    return PictureLoadStatus::NotPicture;
}

} // namespace

PluginPicture LoadPictureByPlugin(const PluginHost& host, const QString& path) {
    std::array<unsigned char, kProbeBytes + kSecondProbeOffset> probe{};
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        if (file.read(reinterpret_cast<char*>(probe.data()), kProbeBytes) < 0)
            return {};
    }
    const QByteArray name = QFile::encodeName(path);

    PluginFailure failure = PluginFailure::NotAccepted;
    for (std::size_t k = 0; const LoadedPlugin* next = host.PluginAt(k); ++k) {
        const LoadedPlugin& plugin = *next;
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
        int code;
        {
            // One decode at a time per library, as the plug-in contract promises; probing
            // and the other libraries go on meanwhile.
            const std::lock_guard decoding(*plugin.decodeLock);
            code = plugin.getPicture(name.constData(), offset, SPI_INPUT_FILE, &info, &bits,
                                     IgnoreProgress, 0);
        }
        if (code != SPI_SUCCESS) {
            failure = std::max(failure, FailureOfCode(code));
            continue;
        }
        // From here on both blocks are ours and are freed on every path.
        const PluginBlock infoBlock(info);
        const PluginBlock bitsBlock(bits);
        if (!info || !bits) {
            failure = std::max(failure, PluginFailure::Unusable);
            continue;
        }
        // The usable sizes only bound the copy: they include the allocator's slack, which the
        // plug-in never wrote. A block the program cannot use counts as that plug-in's failure;
        // the next one may still read the file.
        PluginPictureCopy copy =
            CopyPluginPicture(info, malloc_usable_size(info), bits, malloc_usable_size(bits));
        if (copy.status == DibStatus::Ok)
            return {std::move(copy.dib), PluginFailure::None};
        failure = std::max(failure, FailureOfCopy(copy.status));
    }
    return {{}, failure};
}

std::string PictureFailureText(PluginFailure plugins, const BmpReadResult& bmp) {
    switch (plugins) {
    case PluginFailure::None:
    case PluginFailure::NotAccepted:
        break;
    case PluginFailure::Unusable:
        return "a plug-in decoded the file into a picture the program cannot use";
    case PluginFailure::Corrupt:
        return "a plug-in recognised the file but its picture data is corrupt or cut short";
    case PluginFailure::TooLarge:
        return "the picture is too large: the limit is " + std::to_string(kMaxPicturePixels >> 20) +
               " megapixels (" + std::to_string(kMaxPicturePixels) + " pixels), or memory ran out";
    }
    switch (bmp.error) {
    case BmpError::None:
        break;
    case BmpError::FileError:
        return "cannot open or read the file";
    case BmpError::NotBitmap:
        return "not a picture any plug-in or the BMP reader can read";
    case BmpError::Invalid:
        if (bmp.status == DibStatus::TooLarge)
            return DibStatusText(bmp.status);
        return std::string("unusable bitmap: ") + DibStatusText(bmp.status);
    }
    return {};
}

PictureLoadResult LoadPicture(const PluginHost& host, const QString& path) {
    {
        QFile probe(path);
        if (!probe.open(QIODevice::ReadOnly))
            return {{}, PictureLoadStatus::FileError, probe.errorString()};
    }
    // The plug-ins are asked first, bitmap files included; the BMP reader serves the rest.
    PluginPicture byPlugin = LoadPictureByPlugin(host, path);
    if (byPlugin.dib)
        return {std::move(byPlugin.dib), PictureLoadStatus::Ok, {}};
    BmpReadResult bmp = DibReadFile(QFile::encodeName(path).toStdString());
    if (bmp.error == BmpError::None)
        return {std::move(bmp.dib), PictureLoadStatus::Ok, {}};
    return {{},
            FailureStatus(byPlugin.failure, bmp),
            QString::fromStdString(PictureFailureText(byPlugin.failure, bmp))};
}
