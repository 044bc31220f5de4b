// Loading a picture from a file, the one way both programs do it: the loaded plug-ins are asked
// first, bitmap files included, and the first that recognises the file and decodes it delivers
// the picture; the BMP reader serves the files no plug-in reads. Every picture delivered has
// passed the DIB entry check.
#pragma once

#include "image/bmp_file.h"
#include "image/dib.h"

#include <QString>

class PluginHost;
#include <string>

// Why no plug-in delivered a picture. When several plug-ins recognised the file and failed, the
// reason furthest down this list is kept.
enum class PluginFailure {
    None,        // a plug-in delivered the picture
    NotAccepted, // the file cannot be read, or no loaded plug-in recognises it
    Unusable,    // a plug-in decoded it into blocks that make no usable picture
    Corrupt,     // a plug-in recognised the file but failed on its data
    TooLarge,    // beyond the picture size limit, or memory ran out
};

struct PluginPicture {
    DibHandle dib; // null unless failure is None
    PluginFailure failure = PluginFailure::NotAccepted;
};

// The picture as the plug-ins of `host` read it.
[[nodiscard]] PluginPicture LoadPictureByPlugin(const PluginHost& host, const QString& path);

// Why neither the plug-ins nor the BMP reader made a picture of a file, in words: the failure
// of a plug-in that recognised the file, else the BMP reader's.
[[nodiscard]] std::string PictureFailureText(PluginFailure plugins, const BmpReadResult& bmp);

enum class PictureLoadStatus {
    Ok,
    FileError,  // the file could not be opened or read
    NotPicture, // nothing could make a picture of it
    TooLarge,   // beyond the size limit, a picture too large to address, or one with rows
                // stored top-down
};

struct PictureLoadResult {
    DibHandle dib;
    PictureLoadStatus status = PictureLoadStatus::NotPicture;
    QString reason; // why, in words, when not Ok
};

// The picture in the file at `path`: plug-ins first, then the BMP reader.
[[nodiscard]] PictureLoadResult LoadPicture(const PluginHost& host, const QString& path);
