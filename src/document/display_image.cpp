#include "document/display_image.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

using Table = std::array<QRgb, 256>;

// The colour table padded to 256 entries with black, so any index is safe.
Table ColourTable(const std::uint8_t* dib) {
    Table table;
    table.fill(qRgb(0, 0, 0));
    const bool info = DibIsInfoHeader(dib);
    const int entry = info ? 4 : 3;
    const std::uint8_t* p = dib + ReadU32(dib);
    const int count = std::min<int>(DibGetColorCount(dib), 256);
    for (int i = 0; i < count; ++i, p += entry)
        table[i] = qRgb(p[2], p[1], p[0]);
    return table;
}

// Rows of the layouts Qt has no format for: 4 bits through the table, 32 bits as blue, green,
// red and an unused byte.
void ConvertRow(const std::uint8_t* src, int bits, int width, const Table& table, QRgb* out) {
    if (bits == 4) {
        for (int x = 0; x < width; ++x)
            out[x] = table[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
        return;
    }
    for (int x = 0; x < width; ++x, src += 4)
        out[x] = qRgb(src[2], src[1], src[0]);
}

// Run-length coded 8- or 4-bit pixels into a top-down image; pixels the stream leaves out
// keep index 0, and the stream never writes outside the picture or reads past `end`.
void DecodeRle(const std::uint8_t* p, const std::uint8_t* end, bool rle4, const Table& table,
               QImage& image) {
    const int width = image.width(), height = image.height();
    int x = 0, y = 0; // y counts bottom-up rows
    image.fill(table[0]);
    auto put = [&](unsigned index) {
        if (x < width && y < height)
            reinterpret_cast<QRgb*>(image.scanLine(height - 1 - y))[x] = table[index];
        ++x;
    };
    while (end - p >= 2 && y < height) {
        const unsigned count = p[0], value = p[1];
        p += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i)
                put(rle4 ? ((i & 1) ? value & 15 : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of picture
            break;
        } else if (value == 2) { // delta
            if (end - p < 2)
                break;
            x += p[0];
            y += p[1];
            p += 2;
        } else { // absolute run of `value` pixels, padded to a 16-bit boundary
            const std::size_t bytes = rle4 ? (value + 1) / 2 : value;
            const std::size_t padded = (bytes + 1) & ~std::size_t{1};
            if (static_cast<std::size_t>(end - p) < bytes)
                break;
            for (unsigned i = 0; i < value; ++i)
                put(rle4 ? ((i & 1) ? p[i / 2] & 15 : p[i / 2] >> 4) : p[i]);
            p += std::min<std::size_t>(padded, static_cast<std::size_t>(end - p));
        }
    }
}

} // namespace

QImage DibMakeDisplayImage(const DibHandle& dib) {
    if (!dib || dib.size() < kCoreHeaderSize)
        return {};
    const std::uint8_t* head = dib.data();
    const bool info = DibIsInfoHeader(head);
    if (info && dib.size() < kInfoHeaderSize)
        return {};
    const std::int64_t width = DibGetWidth(head);
    const std::int64_t height = DibGetHeight(head);
    const int bits = DibGetBitCount(head);
    const std::uint32_t compression = info ? ReadU32(head + dibfield::Compression) : 0;
    if (width <= 0 || height <= 0 || width > 0x7FFFFFFF / 4 || height > 0x7FFFFFFF)
        return {};

    const std::uint8_t* bits0 = DibGetBits(head);
    const std::uint8_t* end = dib.data() + dib.size();
    if (bits0 > end)
        return {};
    const Table table = ColourTable(head);

    auto newImage = [&] {
        try {
            return QImage(int(width), int(height), QImage::Format_RGB32);
        } catch (const std::bad_alloc&) {
            return QImage();
        }
    };

    const bool rle = (compression == kCompressionRle8 && bits == 8) ||
                     (compression == kCompressionRle4 && bits == 4);
    if (rle) {
        QImage image = newImage();
        if (image.isNull())
            return {};
        DecodeRle(bits0, end, compression == kCompressionRle4, table, image);
        return image;
    }
    if (compression != kCompressionNone ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return {};
    const std::int64_t stride = ((bits * width + 31) / 32) * 4;
    if (stride * height > end - bits0)
        return {};

    // Layouts Qt knows: the rows are wrapped as they lie (upside down, no copy), converted by
    // Qt's own optimised converters and turned upright in place.
    QImage::Format wrapped = QImage::Format_Invalid;
    switch (bits) {
    case 1:
        wrapped = QImage::Format_Mono; // most significant bit first, as stored
        break;
    case 8:
        wrapped = QImage::Format_Indexed8;
        break;
    case 16:
        wrapped = QImage::Format_RGB555; // 0RRRRRGGGGGBBBBB, little-endian, as stored
        break;
    case 24:
        wrapped = QImage::Format_BGR888;
        break;
    }
    if (wrapped != QImage::Format_Invalid) {
        QImage rows(bits0, int(width), int(height), qsizetype(stride), wrapped);
        if (bits <= 8)
            rows.setColorTable(QList<QRgb>(table.begin(), table.begin() + (bits == 1 ? 2 : 256)));
        QImage image;
        try {
            image = rows.convertToFormat(QImage::Format_RGB32);
        } catch (const std::bad_alloc&) {
            return {};
        }
        if (image.isNull())
            return {};
        image.mirror(false, true);
        return image;
    }

    QImage image = newImage();
    if (image.isNull())
        return {};
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* row = bits0 + (height - 1 - y) * stride;
        ConvertRow(row, bits, int(width), table, reinterpret_cast<QRgb*>(image.scanLine(int(y))));
    }
    return image;
}
