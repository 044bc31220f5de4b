#include "desktop/clipboard.h"

#include "image/bmp_file.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <cstring>

namespace {

const QString kBmpMime = QStringLiteral("image/bmp");

// A 40-byte header, the colour table and bottom-up rows of `bits` per pixel; the caller fills
// the table and the rows.
DibHandle AllocateDib(int width, int height, int bits, int colors) {
    if (width <= 0 || height <= 0)
        return {};
    const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
    if (pixels > kMaxPicturePixels)
        return {};
    const std::uint64_t stride = DibRowStride(std::uint64_t(bits), std::uint64_t(width));
    const std::uint64_t size =
        kInfoHeaderSize + std::uint64_t(colors) * 4 + stride * std::uint64_t(height);
    DibHandle dib = DibHandle::Allocate(static_cast<std::size_t>(size));
    if (!dib)
        return {};
    std::uint8_t* h = dib.data();
    WriteU32(h + dibfield::Size, kInfoHeaderSize);
    WriteU32(h + dibfield::Width, static_cast<std::uint32_t>(width));
    WriteU32(h + dibfield::Height, static_cast<std::uint32_t>(height));
    WriteU16(h + dibfield::Planes, 1);
    WriteU16(h + dibfield::BitCount, static_cast<std::uint16_t>(bits));
    WriteU32(h + dibfield::Compression, kCompressionNone);
    WriteU32(h + dibfield::SizeImage, static_cast<std::uint32_t>(stride * std::uint64_t(height)));
    WriteU32(h + dibfield::ClrUsed, static_cast<std::uint32_t>(colors));
    return dib;
}

// Copies the image's rows, top-down in the image, into the DIB's bottom-up rows.
void CopyRows(const QImage& image, DibHandle& dib, std::size_t rowBytes) {
    const int height = image.height();
    const std::size_t stride = (rowBytes + 3) / 4 * 4;
    std::uint8_t* bits = DibGetBits(dib.data());
    for (int y = 0; y < height; ++y)
        std::memcpy(bits + std::size_t(height - 1 - y) * stride, image.constScanLine(y), rowBytes);
}

DibHandle IndexedDib(const QImage& source) {
    const QImage image = source.format() == QImage::Format_Indexed8
                             ? source
                             : source.convertToFormat(QImage::Format_Indexed8);
    const QList<QRgb> table = image.colorTable();
    if (image.isNull() || table.isEmpty() || table.size() > 256)
        return {};
    DibHandle dib = AllocateDib(image.width(), image.height(), 8, int(table.size()));
    if (!dib)
        return {};
    std::uint8_t* entry = dib.data() + kInfoHeaderSize;
    for (QRgb rgb : table) {
        entry[0] = static_cast<std::uint8_t>(qBlue(rgb));
        entry[1] = static_cast<std::uint8_t>(qGreen(rgb));
        entry[2] = static_cast<std::uint8_t>(qRed(rgb));
        entry += 4;
    }
    CopyRows(image, dib, std::size_t(image.width()));
    return dib;
}

DibHandle TrueColorDib(const QImage& source) {
    // Byte order blue, green, red: the order of a 24-bit DIB row.
    const QImage image = source.convertToFormat(QImage::Format_BGR888);
    if (image.isNull())
        return {};
    DibHandle dib = AllocateDib(image.width(), image.height(), 24, 0);
    if (dib)
        CopyRows(image, dib, std::size_t(image.width()) * 3);
    return dib;
}

} // namespace

QByteArray DibToBmpBytes(const DibHandle& dib) {
    QByteArray bytes;
    try {
        const bool written = DibWriteUnchanged(dib, [&bytes](const std::uint8_t* p, std::size_t n) {
            bytes.append(reinterpret_cast<const char*>(p), qsizetype(n));
            return true;
        });
        if (!written)
            bytes.clear();
    } catch (const std::bad_alloc&) {
        return {};
    }
    return bytes;
}

DibHandle DibFromImage(const QImage& image) {
    if (image.isNull())
        return {};
    switch (image.format()) {
    case QImage::Format_Indexed8:
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return IndexedDib(image);
    default:
        return TrueColorDib(image);
    }
}

bool MimeHasPicture(const QMimeData* mime) {
    return mime && (mime->hasFormat(kBmpMime) || mime->hasImage());
}

PastedDib DibFromMimeData(const QMimeData* mime) {
    PastedDib pasted;
    if (!mime)
        return pasted;
    if (mime->hasFormat(kBmpMime)) {
        const QByteArray bytes = mime->data(kBmpMime);
        BmpReadResult read = DibReadMemory(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                           static_cast<std::size_t>(bytes.size()));
        if (read.error == BmpError::None) {
            pasted.dib = std::move(read.dib);
            return pasted;
        }
        pasted.status = read.error == BmpError::Invalid ? read.status : DibStatus::BadHeader;
        if (!mime->hasImage())
            return pasted;
    }
    if (mime->hasImage()) {
        pasted.dib = DibFromImage(qvariant_cast<QImage>(mime->imageData()));
        pasted.status = pasted.dib ? DibValidate(pasted.dib) : DibStatus::OutOfMemory;
        if (pasted.status != DibStatus::Ok)
            pasted.dib.reset();
    }
    return pasted;
}

void CopyDibToClipboard(const DibHandle& dib, const QImage& display) {
    QByteArray bytes = DibToBmpBytes(dib);
    if (bytes.isEmpty())
        return;
    auto* mime = new QMimeData;
    mime->setData(kBmpMime, bytes);
    if (!display.isNull())
        mime->setImageData(display);
    QGuiApplication::clipboard()->setMimeData(mime); // the clipboard owns the copy
}

PastedDib PasteDibFromClipboard() {
    return DibFromMimeData(QGuiApplication::clipboard()->mimeData());
}

bool ClipboardHasPicture() {
    return MimeHasPicture(QGuiApplication::clipboard()->mimeData());
}
