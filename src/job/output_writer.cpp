#include "job/output_writer.h"

#include "export/palette_file.h"
#include "image/bmp_file.h"
#include "job/reduce_job.h"

#include <cstdio>

OutputDone WriteResult(DibHandle& result, const std::string& output,
                       const PictureOptions& options) {
    OutputDone done;
    PictureSaved saved;
    if (output == kStandardStream) {
        saved = WritePicture(result, options, [](const std::uint8_t* p, std::size_t n) {
            return std::fwrite(p, 1, n, stdout) == n;
        });
        if (saved.result == SaveResult::Ok && std::fflush(stdout) != 0)
            saved.result = SaveResult::FileError;
        if (saved.result != SaveResult::Ok) {
            done.ok = false;
            done.reason = saved.result == SaveResult::FileError
                              ? "cannot write standard output"
                              : "cannot write standard output: " + PictureSavedText(saved);
        }
        done.note = saved.note;
        return done;
    }
    saved = SavePicture(result, output, options);
    if (saved.result != SaveResult::Ok) {
        done.ok = false;
        done.reason = "cannot write " + output + ": " + PictureSavedText(saved);
    }
    done.note = saved.note;
    return done;
}

Palette ResultPalette(const DibHandle& result, int transparentIndex) {
    Palette palette;
    if (!result)
        return palette;
    const std::uint8_t* h = result.data();
    const std::uint8_t* table = DibGetColorTable(h);
    for (unsigned i = 0; i < DibGetColorCount(h) && i < 256; ++i)
        palette.colors.push_back(ReadU32(table + 4 * i) & 0xFFFFFF);
    palette.transparentIndex = transparentIndex;
    return palette;
}

OutputDone WriteResultPalette(const DibHandle& result, int transparentIndex,
                              const std::string& path) {
    std::error_code why;
    const SaveResult saved = SavePaletteFile(ResultPalette(result, transparentIndex), path, &why);
    OutputDone done;
    if (saved != SaveResult::Ok) {
        done.ok = false;
        done.reason = "cannot write " + path + ": " +
                      (saved == SaveResult::NotWritable ? "the result has no palette"
                                                        : SaveResultText(saved, why));
    }
    return done;
}
