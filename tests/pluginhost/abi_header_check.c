/* Built as C89, C11, C++17 and C++20 with -pedantic -Werror (see CMakeLists.txt): a plug-in
 * defines the exports as the plug-in contract header declares them, and a host holds them in the
 * header's pointer types, so a declaration and its pointer type that drift apart fail the build. */
#include "pluginhost/plugin_abi.h"

#include <stddef.h>

SPI_EXPORT int GetPluginInfo(int infono, char* buf, int buflen) {
    (void)infono;
    (void)buf;
    return buflen;
}

SPI_EXPORT int IsSupported(const char* filename, void* dw) {
    (void)filename;
    return dw != NULL;
}

SPI_EXPORT int GetPicture(const char* buf, long len, unsigned int flag, void** pHBInfo, void** pHBm,
                          SpiProgressCallback progress, long lData) {
    (void)buf;
    (void)len;
    (void)pHBInfo;
    (void)pHBm;
    if (progress && progress(1, 1, lData) != 0)
        return SPI_ERR_ABORTED;
    return (flag & SPI_INPUT_MASK) == SPI_INPUT_FILE ? SPI_SUCCESS : SPI_ERR_NOT_SUPPORTED;
}

int AbiHeaderCheckExports(void);

int AbiHeaderCheckExports(void) {
    SpiGetPluginInfoFn getInfo = GetPluginInfo;
    SpiIsSupportedFn isSupported = IsSupported;
    SpiGetPictureFn getPicture = GetPicture;
    return getInfo(SPI_INFO_VERSION, NULL, 0) + isSupported(SPI_IMPORT_KIND, NULL) +
           getPicture(NULL, 0, SPI_INPUT_MEMORY, NULL, NULL, NULL, 0);
}
