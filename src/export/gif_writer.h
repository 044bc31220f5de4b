// GIF files of a palette picture: GIF87a or GIF89a, interlaced or not, with a transparent
// entry. A transparent entry needs GIF89a, so a GIF87a file with one is written as GIF89a and
// the result says so.
#pragma once

#include "export/indexed_picture.h"
#include "image/file_replace.h"

struct GifOptions {
    bool gif89a = false;
    bool interlace = false;
    int transparentIndex = -1; // the entry shown transparent, or -1 for none
};

enum class GifResult {
    Ok,
    TooLarge,   // wider or higher than the 65535 pixels a GIF file can describe
    WriteError, // the sink refused bytes, or memory ran out
};

struct GifWritten {
    GifResult result = GifResult::Ok;
    bool madeGif89a = false; // GIF87a was asked for, the transparent entry needed GIF89a
};

[[nodiscard]] GifWritten WriteGif(const IndexedPicture& picture, const GifOptions& options,
                                  const ByteSink& sink);
