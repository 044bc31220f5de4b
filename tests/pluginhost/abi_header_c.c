/* The plug-in contract header must compile as plain C; this file is part of the host tests. */
#include "pluginhost/plugin_abi.h"

int AbiHeaderCompilesAsC(void);

/* Counts the pointer types a C host or plug-in would use, without calling any export. */
int AbiHeaderCompilesAsC(void) {
    SpiGetPictureFn getPicture = 0;
    SpiIsSupportedFn isSupported = 0;
    SpiGetPluginInfoFn getInfo = 0;
    SpiProgressCallback progress = 0;
    return (getPicture == 0) + (isSupported == 0) + (getInfo == 0) + (progress == 0);
}
