#include "export/picture_save.h"

#include "export/gif_writer.h"
#include "export/indexed_picture.h"
#include "export/png_writer.h"
#include "image/bmp_file.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace {

std::string Lower(std::string_view text) {
    std::string s(text);
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// Writes through `write` (false: the content cannot be written) to either a plain sink or a
// file, telling a refused byte from a refused picture.
template <class Save>
PictureSaved Write(DibHandle& dib, const PictureOptions& options, const Save& save) {
    PictureSaved saved;
    if (options.format == PictureFormat::Bmp) {
        saved.result =
            save([&](const ByteSink& sink) { return DibWriteFile(dib, sink); }, saved.why);
        if (saved.result == SaveResult::NotWritable)
            saved.refusal = SaveResultText(SaveResult::NotWritable);
        return saved;
    }
    const IndexedPicture picture = ToIndexed(dib, saved.refusal);
    if (picture.indices.empty()) {
        saved.result = SaveResult::NotWritable;
        saved.refusal = "cannot be written as " +
                        std::string(options.format == PictureFormat::Png ? "PNG" : "GIF") + ": " +
                        saved.refusal;
        return saved;
    }
    if (options.format == PictureFormat::Png) {
        PngOptions png;
        png.interlace = options.pngInterlace;
        png.transparentIndex = options.transparentIndex;
        saved.result =
            save([&](const ByteSink& sink) { return WritePng(picture, png, sink); }, saved.why);
        if (saved.result == SaveResult::NotWritable)
            saved.refusal = "not enough memory to write it as PNG";
        return saved;
    }
    GifOptions gif;
    gif.gif89a = options.gif89a;
    gif.interlace = options.gifInterlace;
    gif.transparentIndex = options.transparentIndex;
    GifWritten written;
    saved.result = save(
        [&](const ByteSink& sink) {
            written = WriteGif(picture, gif, sink);
            return written.result == GifResult::Ok;
        },
        saved.why);
    if (saved.result == SaveResult::NotWritable)
        saved.refusal = written.result == GifResult::TooLarge
                            ? "a GIF file holds at most 65535 x 65535 pixels"
                            : "not enough memory to write it as GIF";
    if (saved.result == SaveResult::Ok && written.madeGif89a)
        saved.note = "written as GIF89a: a transparent colour needs it";
    return saved;
}

} // namespace

std::optional<PictureFormat> PictureFormatNamed(std::string_view name) {
    const std::string lower = Lower(name);
    if (lower == "bmp")
        return PictureFormat::Bmp;
    if (lower == "png")
        return PictureFormat::Png;
    if (lower == "gif")
        return PictureFormat::Gif;
    return std::nullopt;
}

PictureFormat PictureFormatOfPath(const std::string& path) {
    const std::string ext = std::filesystem::path(path).extension().string();
    if (ext.size() > 1 && PictureFormatNamed(std::string_view(ext).substr(1)))
        return *PictureFormatNamed(std::string_view(ext).substr(1));
    return PictureFormat::Bmp;
}

const char* PictureExtension(PictureFormat format) {
    switch (format) {
    case PictureFormat::Png:
        return "png";
    case PictureFormat::Gif:
        return "gif";
    case PictureFormat::Bmp:
        break;
    }
    return "bmp";
}

PictureSaved WritePicture(DibHandle& dib, const PictureOptions& options, const ByteSink& sink) {
    return Write(
        dib, options, [&](const std::function<bool(const ByteSink&)>& write, std::error_code&) {
            bool refused = false;
            const bool ok = write([&](const std::uint8_t* p, std::size_t n) {
                refused = !sink(p, n);
                return !refused;
            });
            return ok ? SaveResult::Ok : refused ? SaveResult::FileError : SaveResult::NotWritable;
        });
}

PictureSaved SavePicture(DibHandle& dib, const std::string& path, const PictureOptions& options) {
    return Write(dib, options,
                 [&](const std::function<bool(const ByteSink&)>& write, std::error_code& why) {
                     return SaveReplacing(path, write, &why);
                 });
}

std::string PictureSavedText(const PictureSaved& saved) {
    if (saved.result == SaveResult::NotWritable && !saved.refusal.empty())
        return saved.refusal;
    return SaveResultText(saved.result, saved.why);
}
