// WebP import plug-in on libwebp: lossy and lossless pictures, with or without alpha; of an
// animation, the first frame as it shows on the canvas. The result is 24 bits, with alpha
// composited over white.
#include "common/spi_dib.h"
#include "common/spi_input.h"
#include "common/spi_picture.h"
#include "pluginhost/plugin_abi.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <webp/decode.h>
#include <webp/demux.h>

namespace {

const spi::PluginTexts kTexts = {"xKorvo WebP reader (libwebp)", "*.webp", "WebP picture"};

// Writes BGRA rows (top row first, `stride` bytes apart) into the DIB, over white. Without
// `useAlpha` every pixel counts as opaque: a picture that declares no alpha can still decode to
// transparent pixels (lossless palette indices past the palette), which then show their colour.
void CompositeRows(const std::uint8_t* bgra, std::size_t stride, bool useAlpha,
                   spi::DibBuilder& dib) {
    for (std::uint32_t y = 0; y < dib.height(); ++y) {
        const std::uint8_t* in = bgra + stride * y;
        std::uint8_t* out = dib.Row(y);
        for (std::uint32_t x = 0; x < dib.width(); ++x, in += 4, out += 3) {
            const unsigned alpha = useAlpha ? in[3] : 255u;
            out[0] = spi::OverWhite(in[0], alpha);
            out[1] = spi::OverWhite(in[1], alpha);
            out[2] = spi::OverWhite(in[2], alpha);
        }
    }
}

int DecodeStill(const spi::Input& input, bool hasAlpha, spi::DibBuilder& dib) {
    const std::size_t stride = std::size_t(dib.width()) * 4;
    const std::size_t bytes = stride * dib.height();
    auto* bgra = static_cast<std::uint8_t*>(std::malloc(bytes));
    if (!bgra)
        return SPI_ERR_MEMORY;
    const bool ok = WebPDecodeBGRAInto(input.data(), input.size(), bgra, bytes, int(stride));
    if (ok)
        CompositeRows(bgra, stride, hasAlpha, dib);
    std::free(bgra);
    return ok ? SPI_SUCCESS : SPI_ERR_FORMAT;
}

int DecodeFirstFrame(const spi::Input& input, spi::DibBuilder& dib) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return SPI_ERR_FORMAT;
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    const WebPData data = {input.data(), input.size()};
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    if (!decoder)
        return SPI_ERR_FORMAT;
    int rc = SPI_ERR_FORMAT;
    WebPAnimInfo info;
    std::uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (WebPAnimDecoderGetInfo(decoder, &info) && info.canvas_width == dib.width() &&
        info.canvas_height == dib.height() &&
        WebPAnimDecoderGetNext(decoder, &canvas, &timestamp)) {
        CompositeRows(canvas, std::size_t(dib.width()) * 4, true, dib);
        rc = SPI_SUCCESS;
    }
    WebPAnimDecoderDelete(decoder);
    return rc;
}

int Decode(const spi::Input& input, spi::DibBuilder& dib, SpiProgressCallback, long) {
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(input.data(), input.size(), &features) != VP8_STATUS_OK)
        return SPI_ERR_FORMAT;
    if (features.width <= 0 || features.height <= 0)
        return SPI_ERR_FORMAT;
    const int rc = dib.Create(std::uint32_t(features.width), std::uint32_t(features.height), 24, 0);
    if (rc != SPI_SUCCESS)
        return rc;
    return features.has_animation ? DecodeFirstFrame(input, dib)
                                  : DecodeStill(input, features.has_alpha != 0, dib);
}

bool HasSignature(const unsigned char* p, std::size_t size) {
    return size >= 12 && std::memcmp(p, "RIFF", 4) == 0 && std::memcmp(p + 8, "WEBP", 4) == 0;
}

const spi::Format kFormat = {kTexts, HasSignature, Decode};

} // namespace

SPI_PLUGIN_EXPORTS(kFormat)
