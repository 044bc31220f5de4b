// JPEG import plug-in on libjpeg-turbo: grey pictures become 8-bit DIBs with a grey table,
// colour, CMYK and YCCK pictures 24 bits. Baseline, progressive and arithmetic-coded files are
// read; damage that libjpeg only warns about is refused like any other corrupt file, as soon as
// libjpeg notices it.
#include "common/spi_dib.h"
#include "common/spi_input.h"
#include "common/spi_picture.h"
#include "pluginhost/plugin_abi.h"

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <cstring>
#include <jerror.h>
#include <jpeglib.h>

namespace {

const spi::PluginTexts kTexts = {"xKorvo JPEG reader (libjpeg-turbo)", "*.jpg;*.jpeg;*.jpe;*.jfif",
                                 "JPEG picture"};

struct ErrorManager {
    jpeg_error_mgr pub; // first, so that libjpeg's pointer is also ours
    std::jmp_buf jump;
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// A warning means corrupt data that libjpeg would paper over (grey fill for data cut short,
// skipped bytes): the picture is refused at once, before the rest of its rows are decoded.
// Other messages are traces and stay quiet.
void OnMessage(j_common_ptr cinfo, int level) {
    if (level < 0)
        std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Everything the decoder changes lives here, outside the function that calls setjmp.
struct Job {
    Job(const spi::Input& input, spi::DibBuilder& target, SpiProgressCallback callback, long data)
        : data(input.data()), size(input.size()), dib(target), progress(callback), lData(data) {}

    const unsigned char* data = nullptr;
    std::size_t size = 0;
    spi::DibBuilder& dib;
    JSAMPLE* cmykRow = nullptr; // one row of CMYK samples
    SpiProgressCallback progress = nullptr;
    long lData = 0;
    int status = SPI_ERR_FORMAT;

    ~Job() { std::free(cmykRow); }
};

// Adobe files store CMYK inverted, so each stored value is already 255 - ink.
void CmykToBgr(const JSAMPLE* in, std::uint8_t* out, JDIMENSION width) {
    for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
        const unsigned k = in[3];
        out[0] = static_cast<std::uint8_t>((in[2] * k + 127) / 255);
        out[1] = static_cast<std::uint8_t>((in[1] * k + 127) / 255);
        out[2] = static_cast<std::uint8_t>((in[0] * k + 127) / 255);
    }
}

int Decode(Job& job) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    err.pub.emit_message = OnMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return job.status;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, job.data, static_cast<unsigned long>(job.size));
    jpeg_read_header(&cinfo, TRUE);
    if (!spi::SizeAllowed(cinfo.image_width, cinfo.image_height)) {
        job.status = SPI_ERR_MEMORY;
        std::longjmp(err.jump, 1);
    }

    const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);

    const int rc =
        job.dib.Create(cinfo.output_width, cinfo.output_height, grey ? 8 : 24, grey ? 256 : 0);
    if (rc != SPI_SUCCESS) {
        job.status = rc;
        std::longjmp(err.jump, 1);
    }
    if (grey) {
        for (unsigned i = 0; i < 256; ++i)
            job.dib.SetColor(i, std::uint8_t(i), std::uint8_t(i), std::uint8_t(i));
    }
    if (cmyk) {
        job.cmykRow = static_cast<JSAMPLE*>(std::malloc(std::size_t(cinfo.output_width) * 4));
        if (!job.cmykRow) {
            job.status = SPI_ERR_MEMORY;
            std::longjmp(err.jump, 1);
        }
    }

    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION y = cinfo.output_scanline;
        JSAMPROW row = cmyk ? job.cmykRow : job.dib.Row(y);
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            std::longjmp(err.jump, 1); // the source ran dry
        if (cmyk)
            CmykToBgr(job.cmykRow, job.dib.Row(y), cinfo.output_width);
        if ((y & 63) == 0 && job.progress &&
            job.progress(int(y), int(cinfo.output_height), job.lData) != 0) {
            job.status = SPI_ERR_ABORTED;
            std::longjmp(err.jump, 1);
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return SPI_SUCCESS;
}

bool HasSignature(const unsigned char* p, std::size_t size) {
    return size >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF;
}

int DecodeInput(const spi::Input& input, spi::DibBuilder& dib, SpiProgressCallback progress,
                long lData) {
    Job job(input, dib, progress, lData);
    return Decode(job);
}

const spi::Format kFormat = {kTexts, HasSignature, DecodeInput};

} // namespace

SPI_PLUGIN_EXPORTS(kFormat)
