// TIFF import plug-in on libtiff: the first picture of the file, through libtiff's RGBA reader,
// so every layout and compression libtiff can turn into RGBA is read. The result is 24 bits,
// with any alpha composited over white. Data errors fail the picture instead of leaving holes.
#include "common/spi_dib.h"
#include "common/spi_input.h"
#include "common/spi_picture.h"
#include "pluginhost/plugin_abi.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <tiffio.h>

namespace {

const spi::PluginTexts kTexts = {"xKorvo TIFF reader (libtiff)", "*.tif;*.tiff", "TIFF picture"};

// libtiff's own buffers (strips, tiles, directories) stay below this; a bigger one would only
// be asked for by a broken or hostile file.
constexpr tmsize_t kMaxLibraryAlloc = tmsize_t{256} << 20;

struct Source {
    const unsigned char* data;
    toff_t size;
    toff_t pos;
};

tmsize_t ReadProc(thandle_t handle, void* out, tmsize_t count) {
    auto* source = static_cast<Source*>(handle);
    if (count < 0 || source->pos >= source->size)
        return 0;
    toff_t n = toff_t(count);
    if (n > source->size - source->pos)
        n = source->size - source->pos;
    std::memcpy(out, source->data + source->pos, std::size_t(n));
    source->pos += n;
    return tmsize_t(n);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* source = static_cast<Source*>(handle);
    toff_t base = 0;
    if (whence == SEEK_CUR)
        base = source->pos;
    else if (whence == SEEK_END)
        base = source->size;
    else if (whence != SEEK_SET)
        return toff_t(-1);
    // Positions past the end are allowed (reads there give nothing), wrapping ones are not.
    if (offset > ~toff_t(0) - base)
        return toff_t(-1);
    source->pos = base + offset;
    return source->pos;
}

int CloseProc(thandle_t) {
    return 0;
}
toff_t SizeProc(thandle_t handle) {
    return static_cast<Source*>(handle)->size;
}
int MapProc(thandle_t, void**, toff_t*) {
    return 0;
}
void UnmapProc(thandle_t, void*, toff_t) {}

// Errors and warnings stay quiet: the result code is all the host gets.
int Quiet(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct Resources {
    TIFFOpenOptions* options = nullptr;
    TIFF* tif = nullptr;
    TIFFRGBAImage* image = nullptr;
    std::uint32_t* raster = nullptr;
    ~Resources() {
        std::free(raster);
        if (image)
            TIFFRGBAImageEnd(image);
        if (tif)
            TIFFClose(tif);
        if (options)
            TIFFOpenOptionsFree(options);
    }
};

int Decode(const spi::Input& input, spi::DibBuilder& dib, SpiProgressCallback, long) {
    Source source = {input.data(), toff_t(input.size()), 0};
    Resources res;
    res.options = TIFFOpenOptionsAlloc();
    if (!res.options)
        return SPI_ERR_MEMORY;
    TIFFOpenOptionsSetMaxSingleMemAlloc(res.options, kMaxLibraryAlloc);
    TIFFOpenOptionsSetErrorHandlerExtR(res.options, Quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(res.options, Quiet, nullptr);
    // "m": no memory mapping, the bytes are already in memory.
    res.tif = TIFFClientOpenExt("picture", "rm", &source, ReadProc, WriteProc, SeekProc, CloseProc,
                                SizeProc, MapProc, UnmapProc, res.options);
    if (!res.tif)
        return SPI_ERR_FORMAT;
    // The declared size is judged before the RGBA reader allocates anything for the picture.
    std::uint32_t declaredWidth = 0, declaredHeight = 0;
    if (TIFFGetField(res.tif, TIFFTAG_IMAGEWIDTH, &declaredWidth) == 1 &&
        TIFFGetField(res.tif, TIFFTAG_IMAGELENGTH, &declaredHeight) == 1 && declaredWidth != 0 &&
        declaredHeight != 0 && !spi::SizeAllowed(declaredWidth, declaredHeight))
        return SPI_ERR_MEMORY;

    char message[1024] = {};
    if (!TIFFRGBAImageOK(res.tif, message))
        return SPI_ERR_FORMAT;
    TIFFRGBAImage image;
    std::memset(&image, 0, sizeof image);
    if (!TIFFRGBAImageBegin(&image, res.tif, /*stop_on_error=*/1, message))
        return SPI_ERR_FORMAT;
    res.image = &image;
    const std::uint32_t width = image.width;
    const std::uint32_t height = image.height;
    if (!spi::SizeAllowed(width, height))
        return SPI_ERR_MEMORY;

    const int rc = dib.Create(width, height, 24, 0);
    if (rc != SPI_SUCCESS)
        return rc;
    res.raster = static_cast<std::uint32_t*>(
        std::malloc(std::size_t(width) * height * sizeof(std::uint32_t)));
    if (!res.raster)
        return SPI_ERR_MEMORY;
    image.req_orientation = ORIENTATION_TOPLEFT;
    if (!TIFFRGBAImageGet(&image, res.raster, width, height))
        return SPI_ERR_FORMAT;

    // libtiff hands over premultiplied RGBA, so over white each channel becomes c + 255 - a.
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint32_t* in = res.raster + std::size_t(y) * width;
        std::uint8_t* out = dib.Row(y);
        for (std::uint32_t x = 0; x < width; ++x, out += 3) {
            const std::uint32_t p = in[x];
            const unsigned white = 255 - TIFFGetA(p);
            auto over = [white](unsigned c) {
                return std::uint8_t(c + white > 255 ? 255 : c + white);
            };
            out[0] = over(TIFFGetB(p));
            out[1] = over(TIFFGetG(p));
            out[2] = over(TIFFGetR(p));
        }
    }
    return SPI_SUCCESS;
}

bool HasSignature(const unsigned char* p, std::size_t size) {
    if (size < 4)
        return false;
    const bool little = p[0] == 'I' && p[1] == 'I' && (p[2] == 42 || p[2] == 43) && p[3] == 0;
    const bool big = p[0] == 'M' && p[1] == 'M' && p[2] == 0 && (p[3] == 42 || p[3] == 43);
    return little || big;
}

const spi::Format kFormat = {kTexts, HasSignature, Decode};

} // namespace

SPI_PLUGIN_EXPORTS(kFormat)
