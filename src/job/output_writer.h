// Where a result goes: a file or standard output ("-") in the chosen format, and its palette to
// a palette file when asked.
#pragma once

#include "export/palette_file.h"
#include "export/picture_save.h"
#include "image/dib.h"

#include <string>

struct OutputDone {
    bool ok = true;
    std::string reason; // why not, naming the file
    std::string note;   // what the user should know of a written file ("" when nothing)
};

// Writes `result` to `output` with `options`; "-" writes standard output.
[[nodiscard]] OutputDone WriteResult(DibHandle& result, const std::string& output,
                                     const PictureOptions& options);

// The colour table of `result` with its transparent entry; no colours for a picture without one.
[[nodiscard]] Palette ResultPalette(const DibHandle& result, int transparentIndex);

// Writes the colour table of `result`, with its transparent entry, to the palette file `path`
// (format by extension).
[[nodiscard]] OutputDone WriteResultPalette(const DibHandle& result, int transparentIndex,
                                            const std::string& path);
