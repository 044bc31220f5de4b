// GIF import plug-in on giflib: the first picture of the file, interlaced or not, as an 8-bit
// DIB the size of the logical screen with the frame's colour table. A transparent colour shows
// the white it is composited over; the screen outside the frame shows the transparent colour,
// or the background colour when there is none.
#include "common/spi_dib.h"
#include "common/spi_input.h"
#include "common/spi_picture.h"
#include "pluginhost/plugin_abi.h"

#include <cstring>
#include <gif_lib.h>

namespace {

const spi::PluginTexts kTexts = {"xKorvo GIF reader (giflib)", "*.gif", "GIF picture"};

struct Source {
    const unsigned char* data;
    std::size_t size;
    std::size_t pos;
};

int ReadBytes(GifFileType* gif, GifByteType* out, int count) {
    auto* source = static_cast<Source*>(gif->UserData);
    std::size_t n = count > 0 ? std::size_t(count) : 0;
    if (n > source->size - source->pos)
        n = source->size - source->pos;
    std::memcpy(out, source->data + source->pos, n);
    source->pos += n;
    return int(n);
}

struct GifCloser {
    GifFileType* gif;
    ~GifCloser() {
        int error = 0;
        if (gif)
            DGifCloseFile(gif, &error);
    }
};

// Reads the extension blocks, keeping the transparent index of a graphic control block.
bool ReadExtension(GifFileType* gif, int& transparent) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return false;
    while (block) {
        if (code == GRAPHICS_EXT_FUNC_CODE && block[0] >= 4) {
            GraphicsControlBlock control;
            if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
                transparent = control.TransparentColor;
        }
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return false;
    }
    return true;
}

int DecodeFrame(GifFileType* gif, int transparent, spi::DibBuilder& dib,
                SpiProgressCallback progress, long lData) {
    if (DGifGetImageDesc(gif) == GIF_ERROR)
        return SPI_ERR_FORMAT;
    const GifImageDesc& frame = gif->Image;
    const long long right = (long long)frame.Left + frame.Width;
    const long long bottom = (long long)frame.Top + frame.Height;
    // A frame reaching past the screen is refused rather than clipped: it marks a broken file.
    if (frame.Width <= 0 || frame.Height <= 0 || frame.Left < 0 || frame.Top < 0 ||
        right > gif->SWidth || bottom > gif->SHeight)
        return SPI_ERR_FORMAT;
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!map || map->ColorCount <= 0 || map->ColorCount > 256)
        return SPI_ERR_FORMAT;

    const int rc = dib.Create(std::uint32_t(gif->SWidth), std::uint32_t(gif->SHeight), 8,
                              unsigned(map->ColorCount));
    if (rc != SPI_SUCCESS)
        return rc;
    for (int i = 0; i < map->ColorCount; ++i) {
        const GifColorType& c = map->Colors[i];
        if (i == transparent)
            dib.SetColor(unsigned(i), 255, 255, 255);
        else
            dib.SetColor(unsigned(i), c.Red, c.Green, c.Blue);
    }
    if (frame.Width != gif->SWidth || frame.Height != gif->SHeight) {
        const int fill = transparent >= 0 ? transparent : gif->SBackGroundColor;
        for (std::uint32_t y = 0; y < dib.height(); ++y)
            std::memset(dib.Row(y), fill & 0xFF, dib.width());
    }

    // Interlaced frames store every 8th row from 0, every 8th from 4, every 4th from 2, then
    // every 2nd from 1.
    static const int kStart[4] = {0, 4, 2, 1};
    static const int kStep[4] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    int done = 0;
    for (int pass = 0; pass < passes; ++pass) {
        const int start = frame.Interlace ? kStart[pass] : 0;
        const int step = frame.Interlace ? kStep[pass] : 1;
        for (int y = start; y < frame.Height; y += step) {
            GifPixelType* row = dib.Row(std::uint32_t(frame.Top + y)) + frame.Left;
            if (DGifGetLine(gif, row, frame.Width) == GIF_ERROR)
                return SPI_ERR_FORMAT;
            if ((++done & 63) == 0 && progress && progress(done, frame.Height, lData) != 0)
                return SPI_ERR_ABORTED;
        }
    }
    return SPI_SUCCESS;
}

int Decode(const spi::Input& input, spi::DibBuilder& dib, SpiProgressCallback progress,
           long lData) {
    Source source = {input.data(), input.size(), 0};
    int error = 0;
    GifCloser closer{DGifOpen(&source, ReadBytes, &error)};
    GifFileType* gif = closer.gif;
    if (!gif)
        return error == D_GIF_ERR_NOT_ENOUGH_MEM ? SPI_ERR_MEMORY : SPI_ERR_FORMAT;
    if (!spi::SizeAllowed(std::uint64_t(gif->SWidth), std::uint64_t(gif->SHeight)) ||
        gif->SWidth < 0 || gif->SHeight < 0)
        return SPI_ERR_MEMORY;

    int transparent = -1;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &record) == GIF_ERROR)
            return SPI_ERR_FORMAT;
        switch (record) {
        case IMAGE_DESC_RECORD_TYPE:
            return DecodeFrame(gif, transparent, dib, progress, lData);
        case EXTENSION_RECORD_TYPE:
            if (!ReadExtension(gif, transparent))
                return SPI_ERR_FORMAT;
            break;
        default: // the trailer, or anything else, before any picture
            return SPI_ERR_FORMAT;
        }
    }
}

bool HasSignature(const unsigned char* p, std::size_t size) {
    return size >= 6 && (std::memcmp(p, "GIF87a", 6) == 0 || std::memcmp(p, "GIF89a", 6) == 0);
}

const spi::Format kFormat = {kTexts, HasSignature, Decode};

} // namespace

SPI_PLUGIN_EXPORTS(kFormat)
