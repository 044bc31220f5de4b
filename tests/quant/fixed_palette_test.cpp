// Mapping onto a given palette: the result carries exactly that palette in its order, for every
// mapping method; a transparent corner marks the entry its colour maps to, and only the
// corner's colour takes it.
#include "quant/quant.h"
#include "tests/support/dib_builder.h"
#include "tests/support/test_seed.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

struct Mapped {
    std::vector<std::uint32_t> palette;
    std::vector<int> indices; // top row first
    std::vector<int> padding; // the bytes after each row's last index, bottom row first
};

Mapped MapOnto(const std::vector<std::uint32_t>& colors, const QuantSettings& settings,
               const DibHandle& source, int* transparentIndex = nullptr,
               QuantResult expected = QuantResult::Done) {
    CPixelArray graph;
    graph.SetSource(&source);
    CQuant quant(settings);
    quant.SetFixedPalette(colors);
    QuantSignal signal;
    Mapped mapped;
    EXPECT_EQ(quant.Quantize(graph, signal, {}), expected);
    if (transparentIndex)
        *transparentIndex = quant.TransparentIndex();
    const DibHandle dib = graph.TakeResult();
    if (!dib)
        return mapped;
    const std::uint8_t* h = dib.data();
    for (int i = 0; i < DibGetColorCount(h); ++i)
        mapped.palette.push_back(ReadU32(DibGetColorTable(h) + 4 * i) & 0xFFFFFF);
    // Unpacked again through the pixel array: indices are where the colours sit.
    const int width = DibGetWidth(h), height = DibGetHeight(h), bits = DibGetBitCount(h);
    const std::size_t stride = DibRowStride(bits, width);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* row = DibGetBits(h) + stride * (height - 1 - y);
            const int perByte = 8 / bits, shift = bits * (perByte - 1 - x % perByte);
            mapped.indices.push_back((row[x / perByte] >> shift) & ((1 << bits) - 1));
        }
    for (int y = 0; y < height; ++y)
        for (std::size_t k = (std::size_t(width) * bits + 7) / 8; k < stride; ++k)
            mapped.padding.push_back(DibGetBits(h)[stride * y + k]);
    return mapped;
}

TEST(FixedPalette, EveryMethodUsesOnlyTheGivenColoursInTheirOrder) {
    const TestSeed seed(2024);
    std::mt19937 random(seed.value());
    const int width = 29, height = 17;
    std::vector<std::uint32_t> pixels(width * height);
    for (auto& p : pixels)
        p = random() & 0xFFFFFF;
    const DibHandle source = MakeDib24(width, height, pixels);
    // Not in luminance order, one colour twice.
    const std::vector<std::uint32_t> colors = {0xFFFFFF, 0x000000, 0xFF0000,
                                               0x00FF00, 0x0000FF, 0xFF0000};
    for (int mode = 0; mode <= 4; ++mode) {
        SCOPED_TRACE("mapping method " + std::to_string(mode));
        QuantSettings settings;
        settings.ditherMode = mode;
        const Mapped mapped = MapOnto(colors, settings, source);
        EXPECT_EQ(mapped.palette, colors);
        ASSERT_EQ(mapped.indices.size(), pixels.size());
        for (const int index : mapped.indices)
            ASSERT_LT(index, 6);
    }
    // Without dithering, a picture of palette colours maps onto itself.
    const DibHandle exact = MakeDib24(3, 1, {0x0000FF, 0xFFFFFF, 0x00FF00});
    EXPECT_EQ(MapOnto(colors, {}, exact).indices, (std::vector<int>{4, 0, 3}));
}

// Twenty colours take 8 bits a pixel, whose rows the mapping writes in place. A picture of
// palette colours, 7 pixels wide so that every row ends in a byte of padding, maps by every
// method each pixel onto its own colour's entry (no method has an error to carry), and the
// padding stays zero. A transparent corner moves its entry to the end of the search order,
// which the result puts back.
TEST(FixedPalette, EightBitRowsHoldEachColoursEntry) {
    // Channel levels 0, 0x80 and 0xFF, far apart; neither in luminance order nor any other.
    std::vector<std::uint32_t> colors;
    for (int k = 0; k < 20; ++k) {
        const int c = (k * 7 + 3) % 27;
        const std::uint32_t level[3] = {0x00, 0x80, 0xFF};
        colors.push_back(level[c % 3] << 16 | level[c / 3 % 3] << 8 | level[c / 9]);
    }
    const int width = 7, height = 5;
    std::vector<std::uint32_t> pixels;
    std::vector<int> entries;
    for (int k = 0; k < width * height; ++k) {
        entries.push_back(k * 3 % 20);
        pixels.push_back(colors[std::size_t(entries.back())]);
    }
    const DibHandle source = MakeDib24(width, height, pixels);
    for (const int corner : {-1, 3})
        for (int mode = 0; mode <= 4; ++mode) {
            SCOPED_TRACE(testing::Message() << "corner " << corner << ", method " << mode);
            QuantSettings settings;
            settings.ditherMode = mode;
            settings.transPosition = corner;
            const Mapped mapped = MapOnto(colors, settings, source);
            EXPECT_EQ(mapped.palette, colors);
            EXPECT_EQ(mapped.indices, entries);
            EXPECT_EQ(mapped.padding, std::vector<int>(height, 0));
        }
}

TEST(FixedPalette, TransparentCornerMarksTheEntryItMapsTo) {
    // The lower-right corner is near-white: it maps to entry 1 (white). A white pixel elsewhere
    // is not the corner's colour and must not become transparent: it goes to light grey.
    const std::vector<std::uint32_t> pixels = {0xFFFFFF, 0x101010, 0xF8F8F8,  // top row
                                               0x000000, 0xF8F8F8, 0xFAFAFA}; // corner last
    const DibHandle source = MakeDib24(3, 2, pixels);
    const std::vector<std::uint32_t> colors = {0x000000, 0xFFFFFF, 0xD0D0D0};
    QuantSettings settings;
    settings.transPosition = 3; // lower right
    int transparentIndex = -1;
    const Mapped mapped = MapOnto(colors, settings, source, &transparentIndex);
    EXPECT_EQ(transparentIndex, 1);
    EXPECT_EQ(mapped.palette, colors); // the order stays
    EXPECT_EQ(mapped.indices, (std::vector<int>{2, 0, 2, 0, 2, 1}));

    // A palette of one colour maps everything onto it, the corner included.
    EXPECT_EQ(MapOnto({0x808080}, settings, source).indices, std::vector<int>(6, 0));
}

TEST(FixedPalette, MoreThan256ColoursAreRefused) {
    EXPECT_TRUE(MapOnto(std::vector<std::uint32_t>(257, 0), {}, MakeDib24(1, 1, {0}), nullptr,
                        QuantResult::BadSettings)
                    .palette.empty());
}

} // namespace
