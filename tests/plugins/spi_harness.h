// Test harness for the decoder plug-ins: loads one "<name>.spi" from the build's program folder,
// decodes a file through its exports, and reads the two blocks back as RGB pixels through the
// host's copy and the engine's unpacking. Qt's image readers give the reference pixels.
#pragma once

#include "pluginhost/plugin_abi.h"

#include <QByteArray>
#include <QImage>
#include <QLibrary>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

// A decoded picture: 0xRRGGBB values, rows from the top.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    int bitCount = 0;   // of the plug-in's DIB; 0 for a reference picture
    int colorsUsed = 0; // the header's colours-used field
};

class SpiModule {
public:
    explicit SpiModule(const QString& name);
    bool loaded() const { return m_getPicture != nullptr; }
    QString error() const { return m_library.errorString(); }

    // GetPluginInfo into a buffer of `size` bytes: the text written there (empty when the result
    // is 0); `returned` gets the result.
    std::string Info(int infono, int size = 256, int* returned = nullptr) const;
    bool Supports(const QByteArray& firstBytes) const; // padded to 2048 zero-filled bytes

    // GetPicture on memory input (flag 1); the result code, and on success the picture.
    // `progressCalls`, when given, counts the calls of the progress callback.
    int DecodeMemory(const QByteArray& bytes, RgbPicture& picture,
                     int* progressCalls = nullptr) const;
    // GetPicture on file input (flag 0) from `offset`.
    int DecodeFile(const QString& path, long offset, RgbPicture& picture) const;

private:
    QLibrary m_library;
    SpiGetPluginInfoFn m_getInfo = nullptr;
    SpiIsSupportedFn m_isSupported = nullptr;
    SpiGetPictureFn m_getPicture = nullptr;
};

QByteArray ReadTestFile(const QString& set, const QString& name);
QString TestFilePath(const QString& set, const QString& name);

// Qt's reading of the file, every pixel composited over white: channel * a / 255 +
// 255 * (255 - a) / 255, rounded to nearest.
bool ReferencePicture(const QString& path, RgbPicture& picture);

// Empty when the pictures have the same size and every channel differs by at most `tolerance`;
// otherwise where and how they differ.
std::string Compare(const RgbPicture& actual, const RgbPicture& expected, int tolerance = 0);
