// What makes one plug-in different from another — its texts, how it recognises its files and how
// it decodes them — and the three exports every plug-in defines from that description.
#pragma once

#include "common/spi_dib.h"
#include "common/spi_input.h"
#include "pluginhost/plugin_abi.h"

#include <cstddef>

namespace spi {

// IsSupported is handed the first 2048 bytes of the file (zero-filled past a short file's end).
inline constexpr std::size_t kProbeBytes = 2048;

struct Format {
    PluginTexts texts;
    // True when the bytes start like a file of this format.
    bool (*accepts)(const unsigned char* data, std::size_t size);
    // Decodes the accepted bytes into `dib`; an SPI_* result code. It must not throw.
    int (*decode)(const Input& input, DibBuilder& dib, SpiProgressCallback progress, long lData);
};

// GetPicture of a plug-in: handle addresses, the picture's bytes, the signature, decoding, the
// completion report to the progress callback, and the hand-over of both blocks.
int GetPicture(const Format& format, const char* buf, long len, unsigned int flag, void** pHBInfo,
               void** pHBm, SpiProgressCallback progress, long lData);

} // namespace spi

// Defines GetPluginInfo, IsSupported and GetPicture for the plug-in described by FORMAT.
#define SPI_PLUGIN_EXPORTS(FORMAT)                                                                 \
    extern "C" {                                                                                   \
    SPI_EXPORT int GetPluginInfo(int infono, char* buf, int buflen) {                              \
        return spi::PluginInfo((FORMAT).texts, infono, buf, buflen);                               \
    }                                                                                              \
    SPI_EXPORT int IsSupported(const char*, void* dw) {                                            \
        return dw && (FORMAT).accepts(static_cast<const unsigned char*>(dw), spi::kProbeBytes);    \
    }                                                                                              \
    SPI_EXPORT int GetPicture(const char* buf, long len, unsigned int flag, void** pHBInfo,        \
                              void** pHBm, SpiProgressCallback progress, long lData) {             \
        return spi::GetPicture(FORMAT, buf, len, flag, pHBInfo, pHBm, progress, lData);            \
    }                                                                                              \
    }
