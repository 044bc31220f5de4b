// Loading a picture through the loaded plug-ins: the first plug-in that recognises the file and
// decodes it delivers the picture as a packed DIB, which has passed the DIB entry check.
#pragma once

#include "image/bmp_file.h"
#include "image/dib.h"

#include <QString>
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

// The caller tries its own BMP reader when no plug-in delivers a picture.
[[nodiscard]] PluginPicture LoadPictureByPlugin(const QString& path);

// Why neither the plug-ins nor the BMP reader made a picture of a file, in words: the failure
// of a plug-in that recognised the file, else the BMP reader's.
[[nodiscard]] std::string PictureFailureText(PluginFailure plugins, const BmpReadResult& bmp);
