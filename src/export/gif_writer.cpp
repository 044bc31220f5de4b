#include "export/gif_writer.h"

#include <gif_lib.h>
#include <memory>
#include <new>
#include <vector>

namespace {

int WriteToSink(GifFileType* gif, const GifByteType* bytes, int count) {
    const auto* sink = static_cast<const ByteSink*>(gif->UserData);
    return count >= 0 && (*sink)(bytes, static_cast<std::size_t>(count)) ? count : 0;
}

struct FreeColorMap {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// Rows in the order an interlaced GIF stores them: every 8th row from 0, every 8th from 4,
// every 4th from 2, every 2nd from 1.
std::vector<int> RowOrder(int height, bool interlace) {
    std::vector<int> rows;
    if (!interlace) {
        for (int y = 0; y < height; ++y)
            rows.push_back(y);
        return rows;
    }
    const int starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = starts[pass]; y < height; y += steps[pass])
            rows.push_back(y);
    return rows;
}

} // namespace

GifWritten WriteGif(const IndexedPicture& picture, const GifOptions& options,
                    const ByteSink& sink) {
    GifWritten written;
    constexpr int kMaxSide = 65535; // the 16-bit fields of the screen and image descriptors
    if (picture.width > kMaxSide || picture.height > kMaxSide) {
        written.result = GifResult::TooLarge;
        return written;
    }
    written.result = GifResult::WriteError;
    if (picture.width <= 0 || picture.height <= 0 || picture.palette.empty() ||
        picture.palette.size() > 256 ||
        picture.indices.size() !=
            static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height))
        return written;
    const int count = static_cast<int>(picture.palette.size());
    const bool transparent = options.transparentIndex >= 0 && options.transparentIndex < count;
    written.madeGif89a = transparent && !options.gif89a;

    // The colour table holds a power of two entries, at least two; the spare ones are black.
    int bits = 1;
    while ((1 << bits) < count)
        ++bits;
    const std::unique_ptr<ColorMapObject, FreeColorMap> map(GifMakeMapObject(1 << bits, nullptr));
    if (!map)
        return written;
    for (int i = 0; i < (1 << bits); ++i) {
        const std::uint32_t c = i < count ? picture.palette[static_cast<std::size_t>(i)] : 0;
        map->Colors[i] = {static_cast<GifByteType>(c >> 16), static_cast<GifByteType>(c >> 8),
                          static_cast<GifByteType>(c)};
    }

    int error = 0;
    GifFileType* gif = EGifOpen(const_cast<ByteSink*>(&sink), WriteToSink, &error);
    if (!gif)
        return written;
    // EGifCloseFile frees the file on every path; it writes the trailer when all went well.
    bool ok = true;
    EGifSetGifVersion(gif, options.gif89a || transparent);
    ok = EGifPutScreenDesc(gif, picture.width, picture.height, bits, 0, map.get()) == GIF_OK;
    if (ok && transparent) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSAL_UNSPECIFIED;
        control.TransparentColor = options.transparentIndex;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, sizeof extension, extension) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, picture.width, picture.height, options.interlace,
                                nullptr) == GIF_OK;
    try {
        std::vector<GifPixelType> line(static_cast<std::size_t>(picture.width));
        for (const int y : RowOrder(picture.height, options.interlace)) {
            if (!ok)
                break;
            const std::uint8_t* row =
                picture.indices.data() +
                static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width);
            line.assign(row, row + picture.width);
            ok = EGifPutLine(gif, line.data(), picture.width) == GIF_OK;
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (EGifCloseFile(gif, &error) != GIF_OK)
        ok = false;
    if (ok)
        written.result = GifResult::Ok;
    return written;
}
