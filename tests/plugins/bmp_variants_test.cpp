// Every classic picture of the bitmap suite that the program's own reader unpacks (itself
// compared with Qt's reader in the suite test), stored again behind the later headers, behind
// the 64-byte OS/2 2.x header and with top-down rows, reads through the bitmap plug-in to the
// very pixels of the original: colour tables, row order, masks and run-length codes alike.
#include "image/bmp_file.h"
#include "quant/pixel_array.h"
#include "tests/plugins/spi_harness.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

struct Variant {
    const char* name;
    int headerSize;
    bool topDown; // only for pictures without run-length codes
};

const Variant kVariants[] = {
    {"108-byte header", 108, false},
    {"124-byte header", 124, false},
    {"64-byte header", 64, false},
    {"top-down rows", 40, true},
    {"124-byte header, top-down rows", 124, true},
};

std::uint32_t U32(const QByteArray& bytes, int at) {
    return ReadU32(reinterpret_cast<const std::uint8_t*>(bytes.constData()) + at);
}
void Put32(QByteArray& bytes, int at, std::uint32_t v) {
    WriteU32(reinterpret_cast<std::uint8_t*>(bytes.data()) + at, v);
}

// The picture of `file` (a 40-byte header, bottom-up) stored as `variant` says; masks move into
// a later header. Empty when the variant does not apply.
QByteArray Restore(const QByteArray& file, const Variant& variant) {
    const unsigned bits = U32(file, 28) & 0xFFFF;
    const std::uint32_t compression = U32(file, 30);
    const std::uint32_t used = U32(file, 46);
    const int masks = compression == 3 ? 12 : 0;
    const int entries = bits <= 8 ? int(used != 0 ? used : 1u << bits) : 0;
    if (variant.topDown && (compression == 1 || compression == 2))
        return {};
    const QByteArray table = file.mid(54 + masks, 4 * entries);
    QByteArray pixels =
        file.mid(int(std::max<std::uint32_t>(U32(file, 10), 54 + masks + 4 * entries)));
    QByteArray header = file.mid(14, 40);
    header.resize(variant.headerSize, '\0');
    Put32(header, 0, std::uint32_t(variant.headerSize));
    if (variant.headerSize >= 108)
        header.replace(40, masks, file.mid(54, masks));
    else
        header += file.mid(54, masks);
    if (variant.topDown) {
        const int height = int(U32(file, 22));
        const int stride = int((bits * U32(file, 18) + 31) / 32 * 4);
        QByteArray rows;
        for (int y = height - 1; y >= 0; --y)
            rows += pixels.mid(y * stride, stride);
        pixels = rows;
        Put32(header, 8, std::uint32_t(-height));
    }
    QByteArray out = "BM" + QByteArray(12, '\0') + header + table + pixels;
    Put32(out, 2, std::uint32_t(out.size()));
    Put32(out, 10, std::uint32_t(14 + header.size() + table.size()));
    return out;
}

TEST(BmpVariants, ReadToThePixelsOfTheClassicFile) {
    SpiModule spi("bmp");
    ASSERT_TRUE(spi.loaded()) << spi.error().toStdString();
    int compared = 0;
    for (const char* group : {"g", "q", "b"}) {
        const QString folder = QStringLiteral("bmpsuite/") + QLatin1String(group);
        for (const QString& name : QDir(TestFilePath(folder, "")).entryList({"*.bmp"})) {
            const QByteArray file = ReadTestFile(folder, name);
            if (file.size() < 54 || U32(file, 14) != 40 || qint32(U32(file, 22)) <= 0)
                continue;
            const BmpReadResult read = DibReadMemory(
                reinterpret_cast<const std::uint8_t*>(file.constData()), std::size_t(file.size()));
            CPixelArray classic;
            classic.SetSource(&read.dib);
            if (read.error != BmpError::None || !classic.LoadPixels())
                continue;
            const std::vector<std::uint32_t> expected(
                classic.m_pPixels,
                classic.m_pPixels + std::size_t(classic.m_nWidth) * classic.m_nHeight);
            for (const Variant& variant : kVariants) {
                const QByteArray restored = Restore(file, variant);
                if (restored.isEmpty())
                    continue;
                SCOPED_TRACE(name.toStdString() + ", " + variant.name);
                RgbPicture picture;
                ASSERT_EQ(spi.DecodeMemory(restored, picture), SPI_SUCCESS);
                EXPECT_EQ(picture.width, classic.m_nWidth);
                EXPECT_EQ(picture.pixels, expected);
                ++compared;
            }
        }
    }
    EXPECT_GE(compared, 190); // about 45 files
}

} // namespace
