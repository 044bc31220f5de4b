// BMP import plug-in on Qt's image reader, for the bitmap files the program's own reader does
// not take: headers of other sizes than 40 and 12 (the later versions most programs write
// today, and OS/2 2.x), and top-down rows. It hands them over as a plain 40-byte bottom-up DIB:
// 8 bits with the colour table for palette pictures, 24 bits otherwise, alpha over white.
// Classic bottom-up files with 40- or 12-byte headers are left to the program's reader.
#include "common/spi_dib.h"
#include "common/spi_input.h"
#include "common/spi_picture.h"
#include "pluginhost/plugin_abi.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

const spi::PluginTexts kTexts = {"xKorvo BMP reader (later header versions, top-down rows)",
                                 "*.bmp;*.dib", "Bitmap picture"};

constexpr std::size_t kFileHeaderSize = 14;

std::uint32_t U32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}

// A bitmap file that the program's own reader refuses or misreads. `p` holds at least 26 bytes.
bool NeedsThisReader(const unsigned char* p) {
    if (p[0] != 'B' || p[1] != 'M')
        return false;
    const std::uint32_t headerSize = U32(p + kFileHeaderSize);
    if (headerSize == 12)
        return false;
    if (headerSize != 40)
        return headerSize >= 16; // later and OS/2 2.x headers; anything smaller is no header
    return std::int32_t(U32(p + kFileHeaderSize + 8)) < 0; // top-down rows
}

std::uint16_t U16(const unsigned char* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}

// A width or height field; top-down pictures store a negative height.
std::uint64_t Magnitude(std::uint32_t field) {
    return std::uint64_t(std::abs(std::int64_t(std::int32_t(field))));
}

// Whether the file holds every pixel byte its header describes: the rows, or the run-length
// stream's image-size bytes, from the pixel offset or from the end of the colour table,
// whichever lies further in (there the reader starts). Qt's reader leaves the rows it cannot
// read unfilled and still reports a picture, so a file cut short is caught here. `p` holds at
// least the file header and the first 26 bytes of the header.
bool HoldsItsPixels(const unsigned char* p, std::size_t size) {
    const std::uint32_t headerSize = U32(p + kFileHeaderSize);
    if (headerSize < 16 || kFileHeaderSize + std::uint64_t(headerSize) > size)
        return false;
    const unsigned char* h = p + kFileHeaderSize;
    const std::uint64_t width = Magnitude(U32(h + 4));
    const std::uint64_t height = Magnitude(U32(h + 8));
    const unsigned bits = U16(h + 14);
    const std::uint32_t compression = headerSize >= 20 ? U32(h + 16) : 0;
    const std::uint32_t sizeImage = headerSize >= 24 ? U32(h + 20) : 0;
    const std::uint32_t coloursUsed = headerSize >= 36 ? U32(h + 32) : 0;
    if (bits == 0 || bits > 32 || !spi::SizeAllowed(width, height))
        return false;

    std::uint64_t tableEnd = kFileHeaderSize + std::uint64_t(headerSize);
    if (headerSize == 40 && (compression == 3 || compression == 6)) // masks after the header
        tableEnd += compression == 3 ? 12 : 16;
    if (bits <= 8) {
        const std::uint64_t full = std::uint64_t{1} << bits;
        tableEnd += 4 * (coloursUsed != 0 && coloursUsed < full ? coloursUsed : full);
    }
    const std::uint64_t start = std::max<std::uint64_t>(U32(p + 10), tableEnd);
    const bool runLength = compression == 1 || compression == 2;
    const std::uint64_t pixelBytes =
        runLength ? sizeImage : (std::uint64_t(bits) * width + 31) / 32 * 4 * height;
    return start + pixelBytes <= size;
}

int Decode(const spi::Input& input, spi::DibBuilder& dib) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(input.data()),
                                                     qsizetype(input.size()));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    // The size the header declares, checked before the reader allocates anything for it.
    const std::uint64_t declaredWidth = Magnitude(U32(input.data() + kFileHeaderSize + 4));
    const std::uint64_t declaredHeight = Magnitude(U32(input.data() + kFileHeaderSize + 8));
    if (declaredWidth != 0 && declaredHeight != 0 &&
        !spi::SizeAllowed(declaredWidth, declaredHeight))
        return SPI_ERR_MEMORY;
    if (!HoldsItsPixels(input.data(), input.size()))
        return SPI_ERR_FORMAT;
    QImage image = reader.read();
    if (image.isNull())
        return SPI_ERR_FORMAT;

    const auto width = std::uint32_t(image.width());
    const auto height = std::uint32_t(image.height());
    if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB ||
        image.format() == QImage::Format_Indexed8) {
        image = image.convertToFormat(QImage::Format_Indexed8);
        const QList<QRgb> table = image.colorTable();
        if (table.isEmpty() || table.size() > 256)
            return SPI_ERR_FORMAT;
        const int rc = dib.Create(width, height, 8, unsigned(table.size()));
        if (rc != SPI_SUCCESS)
            return rc;
        for (qsizetype i = 0; i < table.size(); ++i) {
            const unsigned a = unsigned(qAlpha(table[i]));
            dib.SetColor(unsigned(i), spi::OverWhite(unsigned(qRed(table[i])), a),
                         spi::OverWhite(unsigned(qGreen(table[i])), a),
                         spi::OverWhite(unsigned(qBlue(table[i])), a));
        }
        for (std::uint32_t y = 0; y < height; ++y)
            std::memcpy(dib.Row(y), image.constScanLine(int(y)), width);
        return SPI_SUCCESS;
    }

    image = image.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull())
        return SPI_ERR_MEMORY;
    const int rc = dib.Create(width, height, 24, 0);
    if (rc != SPI_SUCCESS)
        return rc;
    for (std::uint32_t y = 0; y < height; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(int(y)));
        std::uint8_t* out = dib.Row(y);
        for (std::uint32_t x = 0; x < width; ++x, out += 3) {
            const unsigned a = unsigned(qAlpha(in[x]));
            out[0] = spi::OverWhite(unsigned(qBlue(in[x])), a);
            out[1] = spi::OverWhite(unsigned(qGreen(in[x])), a);
            out[2] = spi::OverWhite(unsigned(qRed(in[x])), a);
        }
    }
    return SPI_SUCCESS;
}

bool Accepts(const unsigned char* p, std::size_t size) {
    return size >= kFileHeaderSize + 12 && NeedsThisReader(p);
}

int DecodeInput(const spi::Input& input, spi::DibBuilder& dib, SpiProgressCallback, long) {
    try {
        return Decode(input, dib);
    } catch (...) { // nothing may unwind into the host
        return SPI_ERR_MEMORY;
    }
}

const spi::Format kFormat = {kTexts, Accepts, DecodeInput};

} // namespace

SPI_PLUGIN_EXPORTS(kFormat)
