/* Plug-ins built only for the host's tests, one per behaviour (TEST_PLUGIN_KIND):
 *   1 script      reads "XKSCRIPT" files: u32 info length, u32 pixel length, then the two blocks
 *                 exactly as the host is to receive them (so a test can hand over any header)
 *   2 refuse      accepts "XKSCRIPT" files but always fails to decode them
 *   3 badversion  reports a version text that is not an import plug-in's
 *   4 noexports   an import plug-in without IsSupported and GetPicture
 *   5 noinfo      has IsSupported and GetPicture but no GetPluginInfo
 * Kinds 3 to 5 accept every file, so a picture they deliver would show that they were used. */
#include "plugin/susie_plugin.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

__attribute__((unused)) static const char kMagic[8] = {'X', 'K', 'S', 'C', 'R', 'I', 'P', 'T'};

__attribute__((unused)) static unsigned ReadU32(const unsigned char* p) {
    return (unsigned)p[0] | ((unsigned)p[1] << 8) | ((unsigned)p[2] << 16) | ((unsigned)p[3] << 24);
}

__attribute__((unused)) static int CopyText(const char* text, char* buf, int buflen) {
    int n = (int)strlen(text);
    if (n > buflen - 1)
        n = buflen - 1;
    memcpy(buf, text, (size_t)n);
    buf[n] = '\0';
    return n;
}

#if TEST_PLUGIN_KIND != 5
SPI_EXPORT int GetPluginInfo(int infono, char* buf, int buflen) {
    if (infono != 0)
        return 0;
    return CopyText(TEST_PLUGIN_KIND == 3 ? "00AM" : "00IN", buf, buflen);
}
#endif

#if TEST_PLUGIN_KIND != 4
SPI_EXPORT int IsSupported(const char* filename, void* dw) {
    (void)filename;
    if (TEST_PLUGIN_KIND >= 3)
        return 1;
    return memcmp(dw, kMagic, sizeof kMagic) == 0;
}

/* A 1 x 1 24-bit white picture. */
static int WhitePixel(void** pHBInfo, void** pHBm) {
    unsigned char* info = calloc(40, 1);
    unsigned char* bits = malloc(4);
    if (!info || !bits) {
        free(info);
        free(bits);
        return SPI_ERR_MEMORY;
    }
    info[0] = 40;
    info[4] = 1;
    info[8] = 1;
    info[12] = 1;
    info[14] = 24;
    memset(bits, 0xFF, 4);
    *pHBInfo = info;
    *pHBm = bits;
    return SPI_SUCCESS;
}

SPI_EXPORT int GetPicture(const char* buf, long len, unsigned int flag, void** pHBInfo, void** pHBm,
                          SpiProgressCallback progress, long lData) {
    (void)progress;
    (void)lData;
    if ((flag & SPI_INPUT_MASK) != SPI_INPUT_FILE)
        return SPI_ERR_NOT_SUPPORTED;
    if (TEST_PLUGIN_KIND == 2)
        return SPI_ERR_FORMAT;
    if (TEST_PLUGIN_KIND != 1)
        return WhitePixel(pHBInfo, pHBm);

    FILE* file = fopen(buf, "rb");
    if (!file)
        return SPI_ERR_FILE;
    unsigned char head[16];
    int rc = SPI_ERR_FORMAT;
    unsigned char* info = NULL;
    unsigned char* bits = NULL;
    if (fseek(file, len, SEEK_SET) == 0 && fread(head, 1, 16, file) == 16 &&
        memcmp(head, kMagic, 8) == 0) {
        const unsigned infoLength = ReadU32(head + 8);
        const unsigned bitsLength = ReadU32(head + 12);
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
#endif
