/* Plug-ins built only for the host's tests, one per behaviour (TEST_PLUGIN_KIND):
 *   1 script      reads "XKSCRIPT" files: u32 info length, u32 pixel length, then the two blocks
 *                 exactly as the host is to receive them (so a test can hand over any header)
 *   2 refuse      accepts "XKSCRIPT" files but fails to decode them, with the file's info length
 *                 as its result code (SPI_ERR_FORMAT for 0)
 *   3 badversion  a script plug-in whose version text is not an import plug-in's
 *   4 noexports   an import plug-in without IsSupported and GetPicture
 *   5 noinfo      a script plug-in without GetPluginInfo
 *   6 watched     a script plug-in that reports each IsSupported and GetPicture call, on entry
 *                 and on return, to the watcher a test installs with TestPluginWatch
 *   7 watchedb    the same for "XKSCRIPB" files */
#include "pluginhost/plugin_abi.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#if TEST_PLUGIN_KIND == 7
#define SIGNATURE "XKSCRIPB"
#else
#define SIGNATURE "XKSCRIPT"
#endif

#if TEST_PLUGIN_KIND == 6 || TEST_PLUGIN_KIND == 7
typedef void (*TestWatcher)(int kind, int decode, int entering);
static TestWatcher g_watcher = NULL;
SPI_EXPORT void TestPluginWatch(TestWatcher watcher) {
    g_watcher = watcher;
}
#define REPORT(decode, entering)                                                                   \
    do {                                                                                           \
        if (g_watcher)                                                                             \
            g_watcher(TEST_PLUGIN_KIND, decode, entering);                                         \
    } while (0)
#else
#define REPORT(decode, entering) (void)0
#endif

#if TEST_PLUGIN_KIND != 5
SPI_EXPORT int GetPluginInfo(int infono, char* buf, int buflen) {
    const char* text = TEST_PLUGIN_KIND == 3 ? "00AM" : "00IN";
    if (infono != 0 || buflen < 5)
        return 0;
    memcpy(buf, text, 5);
    return 4;
}
#endif

#if TEST_PLUGIN_KIND != 4
SPI_EXPORT int IsSupported(const char* filename, void* dw) {
    int supported;
    (void)filename;
    REPORT(0, 1);
    supported = memcmp(dw, SIGNATURE, 8) == 0;
    REPORT(0, 0);
    return supported;
}

static unsigned ReadU32(const unsigned char* p) {
    return (unsigned)p[0] | ((unsigned)p[1] << 8) | ((unsigned)p[2] << 16) | ((unsigned)p[3] << 24);
}

static int ReadScript(const char* path, long offset, void** pHBInfo, void** pHBm) {
    FILE* file = fopen(path, "rb");
    unsigned char head[16];
    int rc = SPI_ERR_FORMAT;
    unsigned char* info = NULL;
    unsigned char* bits = NULL;
    if (!file)
        return SPI_ERR_FILE;
    if (fseek(file, offset, SEEK_SET) == 0 && fread(head, 1, 16, file) == 16 &&
        memcmp(head, SIGNATURE, 8) == 0) {
        const unsigned infoLength = ReadU32(head + 8);
        const unsigned bitsLength = ReadU32(head + 12);
        if (TEST_PLUGIN_KIND == 2) {
            fclose(file);
            return infoLength != 0 ? (int)infoLength : SPI_ERR_FORMAT;
        }
        info = malloc(infoLength ? infoLength : 1);
        bits = malloc(bitsLength ? bitsLength : 1);
        if (info && bits && fread(info, 1, infoLength, file) == infoLength &&
            fread(bits, 1, bitsLength, file) == bitsLength) {
            *pHBInfo = info;
            *pHBm = bits;
            info = bits = NULL;
            rc = SPI_SUCCESS;
        }
    }
    free(info);
    free(bits);
    fclose(file);
    return rc;
}

SPI_EXPORT int GetPicture(const char* buf, long len, unsigned int flag, void** pHBInfo, void** pHBm,
                          SpiProgressCallback progress, long lData) {
    int rc = SPI_ERR_FORMAT;
    (void)progress;
    (void)lData;
    REPORT(1, 1);
    if ((flag & SPI_INPUT_MASK) == SPI_INPUT_FILE)
        rc = ReadScript(buf, len, pHBInfo, pHBm);
    REPORT(1, 0);
    return rc;
}
#endif
