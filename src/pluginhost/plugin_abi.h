/* The whole contract between xKorvo and its picture import plug-ins.
 *
 * A plug-in is an ELF shared object named "*.spi" that exports the three functions below with C
 * linkage and the platform's default calling convention. It includes nothing of the program but
 * this header. The host loads it, checks the version text of GetPluginInfo(0), and from then on
 * asks it IsSupported and GetPicture for files it may read.
 *
 * Threads: the host calls GetPicture of one plug-in from one thread at a time, while
 * GetPluginInfo and IsSupported may come from any thread, also during a GetPicture call; other
 * plug-ins may decode at the same time. A plug-in keeps no state between calls and must not
 * assume it is always the same thread.
 * Memory: every block handed to the host is allocated with malloc; the host copies it and frees
 * it with free. It copies what the header declares: the header with its colours-used entries
 * (2^bits when 0) or its three masks, and stride x height pixel bytes (the image size for
 * run-length pictures); undeclared colour entries become zero. It never reads past
 * malloc_usable_size() of a block and refuses a pixel block shorter than the header declares.
 *
 * This header grows only by adding: existing declarations and numbers never change meaning. */
#ifndef XKORVO_PLUGIN_ABI_H
#define XKORVO_PLUGIN_ABI_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define SPI_EXPORT __attribute__((visibility("default")))
#else
#define SPI_EXPORT
#endif

/* Info numbers of GetPluginInfo. */
#define SPI_INFO_VERSION 0 /* interface version text, e.g. "00IN" */
#define SPI_INFO_NAME 1    /* the plug-in's name and version for people */
/* 2n+2: the n-th file pattern ("*.png;*.PNG"), 2n+3: its description ("PNG picture"). */

/* Characters 2 and 3 of the version text of an import plug-in. */
#define SPI_IMPORT_KIND "IN"

/* GetPicture flag: the low three bits say where the picture comes from. */
#define SPI_INPUT_MASK 7u
#define SPI_INPUT_FILE 0u   /* buf: file path; len: byte offset of the picture in the file */
#define SPI_INPUT_MEMORY 1u /* buf: the file's bytes; len: their count */

/* Result codes of GetPicture: 0 success, anything else failure. */
#define SPI_SUCCESS 0
#define SPI_ERR_NOT_SUPPORTED (-1) /* not a picture this plug-in reads */
#define SPI_ERR_ABORTED 1          /* the progress callback asked to stop */
#define SPI_ERR_FORMAT 2           /* corrupt or truncated data */
#define SPI_ERR_MEMORY 4           /* out of memory, or beyond the plug-in's size limit */
#define SPI_ERR_FILE 6             /* the file cannot be opened or read */

/* Progress callback: (done so far, total, lData as given to GetPicture). A non-zero result asks
 * the plug-in to stop; the host's callback always returns 0. May be null. */
typedef int (*SpiProgressCallback)(int nNum, int nDenom, long lData);

/* Writes the text of info number `infono` into `buf` (at most `buflen` bytes, including a
 * terminating NUL when there is room) and returns the number of characters written, without the
 * NUL; 0 for an unknown number. The host reads the text only up to that count.
 * Any thread; no allocation; the text stays the caller's. */
SPI_EXPORT int GetPluginInfo(int infono, char* buf, int buflen);

/* Non-zero when the plug-in reads the file. `dw` points at (at least) 2048 bytes: the start of
 * the file, zero-filled past its end. The decision rests on these signature bytes, never on the
 * file name, which is passed for information only.
 * Any thread; nothing is allocated; neither argument is kept after the call. */
SPI_EXPORT int IsSupported(const char* filename, void* dw);

/* Decodes the picture. Input by `flag` (see SPI_INPUT_*).
 * On success (0) *pHBInfo receives a malloc'd block holding a 40-byte BITMAPINFOHEADER (header
 * size 40, planes 1) directly followed by the colour table at 1, 4 and 8 bits per pixel (4 bytes
 * per entry: blue, green, red, 0; colours-used entries, or the full 2^bits when colours-used is
 * 0), or by three 32-bit masks at 16 and 32 bits per pixel with compression 3; and *pHBm receives
 * a malloc'd block holding the pixel rows bottom-up, each row padded to a multiple of 4 bytes.
 * Both blocks then belong to the caller, who frees them with free().
 * On failure (non-zero) the plug-in has released everything it allocated and leaves *pHBInfo and
 * *pHBm as they were; the caller does not free anything.
 * `progress` is called now and then with `lData`; it may be null.
 * Called from one thread at a time; nothing of the call is kept after it returns. */
SPI_EXPORT int GetPicture(const char* buf, long len, unsigned int flag, void** pHBInfo, void** pHBm,
                          SpiProgressCallback progress, long lData);

/* Pointer types for the host, which looks the exports up by name. */
typedef int (*SpiGetPluginInfoFn)(int infono, char* buf, int buflen);
typedef int (*SpiIsSupportedFn)(const char* filename, void* dw);
typedef int (*SpiGetPictureFn)(const char* buf, long len, unsigned int flag, void** pHBInfo,
                               void** pHBm, SpiProgressCallback progress, long lData);

#ifdef __cplusplus
}
#endif

#endif /* XKORVO_PLUGIN_ABI_H */
