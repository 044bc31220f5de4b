// PNG and GIF files read back by Qt's own decoders, an implementation independent of ours: every
// format and variant, for each class of palette size, with and without a transparent entry.
#include "export/picture_save.h"
#include "tests/support/dib_builder.h"
#include "tests/support/test_seed.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

// A bottom-up palette picture of 1, 4 or 8 bits, packed as the engine packs its results.
DibHandle MakePaletteDib(int width, int height, const std::vector<std::uint32_t>& palette,
                         const std::vector<std::uint8_t>& topDown) {
    const int bits = palette.size() <= 2 ? 1 : palette.size() <= 16 ? 4 : 8;
    const std::size_t stride = DibRowStride(bits, width);
    std::vector<std::uint8_t> rows(stride * height, 0);
    const int perByte = 8 / bits;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int shift = bits * (perByte - 1 - x % perByte);
            rows[stride * (height - 1 - y) + x / perByte] |=
                static_cast<std::uint8_t>(topDown[y * width + x] << shift);
        }
    return MakeDib({40, width, height, 1, std::uint16_t(bits), 0, 0, std::uint32_t(palette.size())},
                   Concat(TableBytes(palette), rows));
}

struct Written {
    std::vector<std::uint8_t> bytes;
    PictureSaved saved;
};

Written Write(DibHandle& dib, const PictureOptions& options) {
    Written w;
    w.saved = WritePicture(dib, options, [&](const std::uint8_t* p, std::size_t n) {
        w.bytes.insert(w.bytes.end(), p, p + n);
        return true;
    });
    return w;
}

QImage Decode(const std::vector<std::uint8_t>& bytes) {
    QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    return reader.read().convertToFormat(QImage::Format_ARGB32);
}

// The chunk types of a PNG file, in order.
std::vector<std::string> ChunkTypes(const std::vector<std::uint8_t>& png) {
    std::vector<std::string> types;
    for (std::size_t at = 8; at + 8 <= png.size();) {
        const std::size_t length =
            std::size_t{png[at]} << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
        types.emplace_back(reinterpret_cast<const char*>(&png[at + 4]), 4);
        at += 12 + length;
    }
    return types;
}

// The flags byte of the GIF's first image descriptor.
int GifImageFlags(const std::vector<std::uint8_t>& gif) {
    std::size_t at = 13;
    if (gif[10] & 0x80)
        at += 3u << ((gif[10] & 7) + 1);         // the global colour table
    while (at < gif.size() && gif[at] == 0x21) { // extensions: introducer, label, sub-blocks
        at += 2;
        while (at < gif.size() && gif[at] != 0)
            at += gif[at] + 1u;
        ++at;
    }
    return at + 9 < gif.size() && gif[at] == 0x2C ? gif[at + 9] : -1;
}

struct Variant {
    const char* name;
    PictureOptions options;
};

TEST(PictureFormats, EveryVariantRoundTripsThroughAnIndependentReader) {
    const TestSeed seed(1414);
    std::mt19937 random(seed.value());
    const Variant variants[] = {{"PNG", {PictureFormat::Png}},
                                {"PNG interlaced", {PictureFormat::Png, true}},
                                {"GIF87a", {PictureFormat::Gif}},
                                {"GIF89a interlaced", {PictureFormat::Gif, false, true, true}}};
    // Odd sizes leave every Adam7 pass and GIF interlace pass with a ragged end.
    const int width = 37, height = 23;
    for (const Variant& variant : variants)
        for (const int colors : {2, 16, 17, 256})
            for (const bool transparent : {false, true}) {
                SCOPED_TRACE(std::string(variant.name) + ", " + std::to_string(colors) +
                             " colours" + (transparent ? ", transparent" : ""));
                std::vector<std::uint32_t> palette;
                for (int i = 0; i < colors; ++i)
                    palette.push_back(random() & 0xFFFFFF);
                // Every entry is used; the rest of the pixels are drawn.
                std::vector<std::uint8_t> indices(width * height);
                for (int k = 0; k < width * height; ++k)
                    indices[k] = static_cast<std::uint8_t>(k < colors ? k : random() % colors);
                DibHandle dib = MakePaletteDib(width, height, palette, indices);
                PictureOptions options = variant.options;
                const int transparentIndex = transparent ? colors - 1 : -1;
                options.transparentIndex = transparentIndex;
                const Written w = Write(dib, options);
                ASSERT_EQ(w.saved.result, SaveResult::Ok) << PictureSavedText(w.saved);

                const QImage image = Decode(w.bytes);
                ASSERT_EQ(image.size(), QSize(width, height));
                int wrong = 0;
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x) {
                        const int index = indices[y * width + x];
                        const QRgb expected = index == transparentIndex
                                                  ? qRgba(0, 0, 0, 0)
                                                  : 0xFF000000 | palette[index];
                        const QRgb got = image.pixel(x, y);
                        // A transparent pixel's colour is not part of what it shows.
                        wrong += index == transparentIndex ? qAlpha(got) != 0 : got != expected;
                    }
                EXPECT_EQ(wrong, 0);

                if (options.format == PictureFormat::Png) {
                    const int depth = colors == 2 ? 1 : colors <= 16 ? 4 : 8;
                    EXPECT_EQ(w.bytes[24], depth) << "bit depth";
                    EXPECT_EQ(w.bytes[28], options.pngInterlace ? 1 : 0) << "interlace method";
                    const auto types = ChunkTypes(w.bytes);
                    EXPECT_EQ(std::count(types.begin(), types.end(), "tRNS"), transparent ? 1 : 0);
                } else {
                    const bool is89a = options.gif89a || transparent;
                    EXPECT_EQ(std::string(w.bytes.begin(), w.bytes.begin() + 6),
                              is89a ? "GIF89a" : "GIF87a");
                    EXPECT_EQ(!w.saved.note.empty(), transparent && !options.gif89a);
                    EXPECT_EQ((GifImageFlags(w.bytes) & 0x40) != 0, options.gifInterlace);
                }
            }
}

TEST(PictureFormats, PngLeavesOutUnusedAndRepeatedEntries) {
    // Four entries, two of them the same colour and one unused: two colours fit one bit.
    const std::vector<std::uint32_t> palette = {0x112233, 0x445566, 0x112233, 0x778899};
    DibHandle dib = MakePaletteDib(3, 1, palette, {0, 1, 2});
    const Written w = Write(dib, {PictureFormat::Png});
    ASSERT_EQ(w.saved.result, SaveResult::Ok);
    EXPECT_EQ(w.bytes[24], 1);
    const QImage image = Decode(w.bytes);
    EXPECT_EQ((std::vector<QRgb>{image.pixel(0, 0), image.pixel(1, 0), image.pixel(2, 0)}),
              (std::vector<QRgb>{0xFF112233u, 0xFF445566u, 0xFF112233u}));
}

TEST(PictureFormats, TrueColourPicturesUpTo256ColoursOnly) {
    DibHandle few = MakeDib24(2, 1, {0x010203, 0xA0B0C0});
    const Written w = Write(few, {PictureFormat::Gif});
    ASSERT_EQ(w.saved.result, SaveResult::Ok);
    EXPECT_EQ(Decode(w.bytes).pixel(1, 0), 0xFFA0B0C0u);

    std::vector<std::uint32_t> pixels(257);
    for (std::uint32_t k = 0; k < pixels.size(); ++k)
        pixels[k] = k < 256 ? k * 0x010101u : 0x000001; // 256 greys and one more
    DibHandle many = MakeDib24(257, 1, pixels);
    for (const PictureFormat format : {PictureFormat::Png, PictureFormat::Gif}) {
        const Written refused = Write(many, {format});
        EXPECT_EQ(refused.saved.result, SaveResult::NotWritable);
        EXPECT_TRUE(refused.bytes.empty());
        EXPECT_NE(PictureSavedText(refused.saved).find("more than 256"), std::string::npos);
    }
}

TEST(PictureFormats, FormatByExtensionInAnyCase) {
    EXPECT_EQ(PictureFormatOfPath("a/b.PNG"), PictureFormat::Png);
    EXPECT_EQ(PictureFormatOfPath("b.Gif"), PictureFormat::Gif);
    EXPECT_EQ(PictureFormatOfPath("b.jpg"), PictureFormat::Bmp);
    EXPECT_EQ(PictureFormatOfPath("png"), PictureFormat::Bmp);
    EXPECT_EQ(PictureFormatOfPath("x.png.bak"), PictureFormat::Bmp);
}

} // namespace
