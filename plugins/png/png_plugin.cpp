// PNG import plug-in on libpng. Palette and grey pictures of up to 8 bits become 8-bit DIBs with
// their colour table; everything else becomes 24 bits. Transparency is composited over white.
#include "common/spi_dib.h"
#include "common/spi_input.h"
#include "common/spi_picture.h"
#include "pluginhost/plugin_abi.h"

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <png.h>

namespace {

const spi::PluginTexts kTexts = {"xKorvo PNG reader (libpng " PNG_LIBPNG_VER_STRING ")", "*.png",
                                 "PNG picture"};

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Everything the decoder touches lives here, outside the function that calls setjmp, so that
// nothing it changes is lost when libpng jumps back on an error.
struct Job {
    Job(const spi::Input& input, spi::DibBuilder& target, SpiProgressCallback callback, long data)
        : data(input.data()), size(input.size()), dib(target), progress(callback), lData(data) {}

    const unsigned char* data = nullptr;
    std::size_t size = 0;
    std::size_t pos = 0;
    spi::DibBuilder& dib;
    png_bytep scratch = nullptr; // RGBA rows of pictures with alpha
    png_bytepp rows = nullptr;
    SpiProgressCallback progress = nullptr;
    long lData = 0;
    int status = SPI_ERR_FORMAT; // the result to give when libpng jumps back

    ~Job() {
        std::free(scratch);
        std::free(rows);
    }
};

void ReadBytes(png_structp png, png_bytep out, png_size_t count) {
    auto* job = static_cast<Job*>(png_get_io_ptr(png));
    if (count > job->size - job->pos)
        png_error(png, "truncated");
    std::memcpy(out, job->data + job->pos, count);
    job->pos += count;
}

// libpng's own handlers print to stderr; a plug-in stays quiet and only reports failure.
[[noreturn]] void OnError(png_structp png, png_const_charp) {
    std::longjmp(png_jmpbuf(png), 1);
}
void OnWarning(png_structp, png_const_charp) {}

void Fail(png_structp png, Job& job, int status) {
    job.status = status;
    png_error(png, "refused");
}

enum class Mode { Indexed, Rgb, Rgba };

// Chooses the output and sets libpng's transformations for it; fills the colour table of
// 8-bit output.
Mode Prepare(png_structp png, png_infop info, Job& job) {
    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
    if (!spi::SizeAllowed(width, height))
        Fail(png, job, SPI_ERR_MEMORY);

    png_bytep alphas = nullptr;
    int alphaCount = 0;
    png_color_16p transparentGrey = nullptr;
    const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) &&
                         png_get_tRNS(png, info, &alphas, &alphaCount, &transparentGrey);

    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp palette = nullptr;
        int count = 0;
        if (!png_get_PLTE(png, info, &palette, &count) || count <= 0 || count > 256)
            Fail(png, job, SPI_ERR_FORMAT);
        int rc = job.dib.Create(width, height, 8, unsigned(count));
        if (rc != SPI_SUCCESS)
            Fail(png, job, rc);
        for (int i = 0; i < count; ++i) {
            const unsigned a = (hasTrns && alphas && i < alphaCount) ? alphas[i] : 255u;
            job.dib.SetColor(unsigned(i), spi::OverWhite(palette[i].red, a),
                             spi::OverWhite(palette[i].green, a),
                             spi::OverWhite(palette[i].blue, a));
        }
        if (depth < 8)
            png_set_packing(png);
        return Mode::Indexed;
    }
    if (colorType == PNG_COLOR_TYPE_GRAY && depth <= 8) {
        const unsigned levels = 1u << depth;
        int rc = job.dib.Create(width, height, 8, levels);
        if (rc != SPI_SUCCESS)
            Fail(png, job, rc);
        for (unsigned i = 0; i < levels; ++i) {
            const auto v = static_cast<std::uint8_t>(i * 255u / (levels - 1));
            job.dib.SetColor(i, v, v, v);
        }
        // The one transparent grey level shows the white it is composited over.
        if (hasTrns && transparentGrey && transparentGrey->gray < levels)
            job.dib.SetColor(transparentGrey->gray, 255, 255, 255);
        if (depth < 8)
            png_set_packing(png);
        return Mode::Indexed;
    }

    int rc = job.dib.Create(width, height, 24, 0);
    if (rc != SPI_SUCCESS)
        Fail(png, job, rc);
    png_set_expand(png); // low grey depths to 8 bits, tRNS to an alpha channel
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    if ((colorType & PNG_COLOR_MASK_ALPHA) || hasTrns)
        return Mode::Rgba;
    png_set_bgr(png);
    return Mode::Rgb;
}

bool ReportProgress(Job& job, png_uint_32 done, png_uint_32 total) {
    return !job.progress || job.progress(int(done), int(total), job.lData) == 0;
}

int Decode(Job& job) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!png)
        return SPI_ERR_MEMORY;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return SPI_ERR_MEMORY;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return job.status;
    }
    png_set_read_fn(png, &job, ReadBytes);
    // libpng's own limit (a million pixels a side) would call larger pictures corrupt; the size
    // limit of the plug-ins judges them instead, as too large.
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_read_info(png, info);
    const Mode mode = Prepare(png, info, job);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const png_uint_32 width = job.dib.width();
    const png_uint_32 height = job.dib.height();
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    const std::size_t expected = std::size_t(width) * (mode == Mode::Indexed ? 1
                                                       : mode == Mode::Rgb   ? 3
                                                                             : 4);
    if (rowBytes != expected)
        Fail(png, job, SPI_ERR_FORMAT);

    job.rows = static_cast<png_bytepp>(std::malloc(sizeof(png_bytep) * height));
    if (!job.rows)
        Fail(png, job, SPI_ERR_MEMORY);
    if (mode == Mode::Rgba) {
        job.scratch = static_cast<png_bytep>(std::malloc(rowBytes * height));
        if (!job.scratch)
            Fail(png, job, SPI_ERR_MEMORY);
    }
    for (png_uint_32 y = 0; y < height; ++y)
        job.rows[y] = mode == Mode::Rgba ? job.scratch + rowBytes * y : job.dib.Row(y);

    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, job.rows[y], nullptr);
            if ((y & 63) == 0 && !ReportProgress(job, pass * height + y, passes * height))
                Fail(png, job, SPI_ERR_ABORTED);
        }
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);

    if (mode == Mode::Rgba) {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_const_bytep in = job.rows[y];
            std::uint8_t* out = job.dib.Row(y);
            for (png_uint_32 x = 0; x < width; ++x, in += 4, out += 3) {
                out[0] = spi::OverWhite(in[2], in[3]);
                out[1] = spi::OverWhite(in[1], in[3]);
                out[2] = spi::OverWhite(in[0], in[3]);
            }
        }
    }
    return SPI_SUCCESS;
}

bool HasSignature(const unsigned char* p, std::size_t size) {
    return size >= sizeof kSignature && std::memcmp(p, kSignature, sizeof kSignature) == 0;
}

int DecodeInput(const spi::Input& input, spi::DibBuilder& dib, SpiProgressCallback progress,
                long lData) {
    Job job(input, dib, progress, lData);
    return Decode(job);
}

const spi::Format kFormat = {kTexts, HasSignature, DecodeInput};

} // namespace

SPI_PLUGIN_EXPORTS(kFormat)
