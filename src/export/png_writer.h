// Indexed PNG files: exactly the picture's pixels at the smallest bit depth (1, 2, 4 or 8) that
// holds the colours its pixels use, a tRNS chunk that makes the transparent entry transparent
// when there is one, Adam7 interlacing on request. Entries no pixel uses are left out, equal
// colours share one entry, and the transparent entry comes first so that tRNS is one byte; the
// pixels stay the same. Row filters are chosen for the smallest file (see png_filters.h).
#pragma once

#include "export/indexed_picture.h"
#include "image/file_replace.h"

struct PngOptions {
    bool interlace = false;
    int transparentIndex = -1; // the entry shown transparent, or -1 for none
    // DEFLATE effort 1..12 of the image data; the default is the best the program can afford
    // for the largest pictures.
    int level = 10;
};

// False when the picture has no pixels, memory ran out, or the sink refused bytes.
[[nodiscard]] bool WritePng(const IndexedPicture& picture, const PngOptions& options,
                            const ByteSink& sink);
