#include "tests/plugins/spi_harness.h"

#include "pluginhost/plugin_picture.h"
#include "quant/pixel_array.h"

#include <QFile>
#include <QImageReader>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <sstream>

namespace {

// After a successful decode (rc), takes the plug-in's blocks the way the host does and unpacks
// them as the engine does (both checked elsewhere); frees both blocks. Plug-ins hand over 8 or
// 24 bits, uncompressed; anything else gives -100.
int ReadBlocks(int rc, void* info, void* bits, RgbPicture& picture) {
    if (rc != SPI_SUCCESS)
        return rc;
    const auto* h = static_cast<const std::uint8_t*>(info);
    const std::size_t infoSize = malloc_usable_size(info);
    const bool plain = infoSize >= kInfoHeaderSize && ReadU32(h) == kInfoHeaderSize &&
                       ReadU32(h + dibfield::Compression) == 0;
    picture.bitCount = plain ? DibGetBitCount(h) : 0;
    picture.colorsUsed = plain ? int(ReadU32(h + dibfield::ClrUsed)) : 0;
    const PluginPictureCopy copy =
        CopyPluginPicture(info, infoSize, bits, malloc_usable_size(bits));
    std::free(info);
    std::free(bits);
    CPixelArray unpacked;
    unpacked.SetSource(&copy.dib);
    if (!(picture.bitCount == 8 || picture.bitCount == 24) || !copy.dib || !unpacked.LoadPixels())
        return -100;
    picture.width = unpacked.m_nWidth;
    picture.height = unpacked.m_nHeight;
    picture.pixels.assign(unpacked.m_pPixels,
                          unpacked.m_pPixels + std::size_t(picture.width) * picture.height);
    return SPI_SUCCESS;
}

int ZeroProgress(int, int, long) {
    return 0;
}

int CountingProgress(int, int, long lData) {
    ++*reinterpret_cast<int*>(lData);
    return 0;
}

} // namespace

SpiModule::SpiModule(const QString& name)
    : m_library(QStringLiteral(XKORVO_BIN_DIR "/") + name + QStringLiteral(".spi")) {
    if (!m_library.load())
        return;
    m_getInfo = reinterpret_cast<SpiGetPluginInfoFn>(m_library.resolve("GetPluginInfo"));
    m_isSupported = reinterpret_cast<SpiIsSupportedFn>(m_library.resolve("IsSupported"));
    m_getPicture = reinterpret_cast<SpiGetPictureFn>(m_library.resolve("GetPicture"));
}

std::string SpiModule::Info(int infono, int size, int* returned) const {
    std::vector<char> buf(std::size_t(size) + 1, '#');
    const int n = m_getInfo(infono, buf.data(), size);
    if (returned)
        *returned = n;
    // The text up to its terminator, which must lie within the buffer.
    return n > 0 ? std::string(buf.data(), strnlen(buf.data(), std::size_t(size))) : std::string();
}

bool SpiModule::Supports(const QByteArray& firstBytes) const {
    std::array<char, 2048> buf{};
    std::memcpy(buf.data(), firstBytes.constData(), std::min<std::size_t>(2048, firstBytes.size()));
    return m_isSupported("file", buf.data()) != 0;
}

int SpiModule::DecodeMemory(const QByteArray& bytes, RgbPicture& picture,
                            int* progressCalls) const {
    void* info = nullptr;
    void* bits = nullptr;
    const int rc = m_getPicture(bytes.constData(), long(bytes.size()), SPI_INPUT_MEMORY, &info,
                                &bits, progressCalls ? CountingProgress : ZeroProgress,
                                reinterpret_cast<long>(progressCalls));
    return ReadBlocks(rc, info, bits, picture);
}

int SpiModule::DecodeFile(const QString& path, long offset, RgbPicture& picture) const {
    void* info = nullptr;
    void* bits = nullptr;
    const QByteArray name = QFile::encodeName(path);
    const int rc = m_getPicture(name.constData(), offset, SPI_INPUT_FILE, &info, &bits, nullptr, 0);
    return ReadBlocks(rc, info, bits, picture);
}

QString TestFilePath(const QString& set, const QString& name) {
    return QStringLiteral(XKORVO_TEST_DATA "/") + set + QLatin1Char('/') + name;
}

QByteArray ReadTestFile(const QString& set, const QString& name) {
    QFile file(TestFilePath(set, name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool ReferencePicture(const QString& path, RgbPicture& picture) {
    QImageReader reader(path);
    QImage image = reader.read();
    if (image.isNull())
        return false;
    // Converted row by row: Qt converts big images on pool threads, whose thread-local
    // leftovers the leak checker would report at exit.
    picture.width = image.width();
    picture.height = image.height();
    picture.pixels.assign(std::size_t(picture.width) * picture.height, 0);
    for (int y = 0; y < picture.height; ++y) {
        const QImage row =
            image.copy(0, y, picture.width, 1).convertToFormat(QImage::Format_ARGB32);
        const auto* line = reinterpret_cast<const QRgb*>(row.constScanLine(0));
        for (int x = 0; x < picture.width; ++x) {
            const unsigned a = unsigned(qAlpha(line[x]));
            auto over = [a](unsigned v) { return (v * a + 255 * (255 - a) + 127) / 255; };
            picture.pixels[std::size_t(y) * picture.width + x] =
                (over(unsigned(qRed(line[x]))) << 16) | (over(unsigned(qGreen(line[x]))) << 8) |
                over(unsigned(qBlue(line[x])));
        }
    }
    return true;
}

std::string Compare(const RgbPicture& actual, const RgbPicture& expected, int tolerance) {
    std::ostringstream out;
    if (actual.width != expected.width || actual.height != expected.height) {
        out << "size " << actual.width << "x" << actual.height << ", expected " << expected.width
            << "x" << expected.height;
        return out.str();
    }
    int worst = 0;
    std::size_t first = actual.pixels.size();
    for (std::size_t i = 0; i < actual.pixels.size(); ++i) {
        for (int shift = 0; shift < 24; shift += 8) {
            const int d = std::abs(int((actual.pixels[i] >> shift) & 0xFF) -
                                   int((expected.pixels[i] >> shift) & 0xFF));
            if (d > tolerance && first == actual.pixels.size())
                first = i;
            worst = std::max(worst, d);
        }
    }
    if (first == actual.pixels.size())
        return {};
    out << std::hex << "pixel (" << std::dec << first % actual.width << ", " << first / actual.width
        << ") is " << std::hex << actual.pixels[first] << ", expected " << expected.pixels[first]
        << std::dec << "; largest difference " << worst;
    return out.str();
}
