#include "image/bmp_file.h"
#include "quant/graph_array.h"
#include "tests/image/dib_builder.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> Zeros(std::size_t n) {
    return std::vector<std::uint8_t>(n, 0);
}

DibFields Fields(std::int32_t w, std::int32_t h, std::uint16_t bits) {
    DibFields f;
    f.width = w;
    f.height = h;
    f.bits = bits;
    return f;
}

std::vector<std::uint32_t> Unpack(const DibHandle& dib) {
    CGraphArray graph;
    graph.SetSource(&dib);
    if (!graph.LoadPixels())
        return {};
    EXPECT_EQ(graph.m_nBitCount, 24);
    EXPECT_EQ(graph.m_nColors, 0);
    return {graph.m_pPixels, graph.m_pPixels + std::size_t(graph.m_nWidth) * graph.m_nHeight};
}

// Fills a pixel array with indices and builds the result picture from it.
DibHandle Pack(int width, int height, int colours, const std::vector<std::uint32_t>& indices) {
    CGraphArray graph;
    graph.m_nWidth = width;
    graph.m_nHeight = height;
    graph.m_nColors = colours;
    graph.m_pPixels = static_cast<std::uint32_t*>(std::malloc(indices.size() * 4));
    std::copy(indices.begin(), indices.end(), graph.m_pPixels);
    for (int i = 0; i < 256; ++i)
        graph.m_palette[i] = 0x010203u * static_cast<std::uint32_t>(i);
    EXPECT_TRUE(graph.BuildResultDib());
    return graph.TakeResult();
}

TEST(CGraphArray, ConstructorPaletteIsIndexTimes256) {
    CGraphArray graph;
    EXPECT_EQ(graph.m_palette[0], 0u);
    EXPECT_EQ(graph.m_palette[1], 256u);
    EXPECT_EQ(graph.m_palette[255], 65280u);
    EXPECT_EQ(graph.m_pPixels, nullptr);
    EXPECT_FALSE(graph.GetResult());
}

TEST(CGraphArray, BitsPerPixelFollowColourCount) {
    struct Row {
        int colours, bits, stride;
    };
    // Width 9: 1 bit needs 2 bytes, 4 bits 5 bytes, 8 bits 9 bytes; each padded to 4.
    for (Row r : {Row{1, 1, 4}, Row{2, 1, 4}, Row{3, 4, 8}, Row{16, 4, 8}, Row{17, 8, 12},
                  Row{256, 8, 12}}) {
        SCOPED_TRACE(r.colours);
        DibHandle dib = Pack(9, 2, r.colours, std::vector<std::uint32_t>(18, 0));
        const std::uint8_t* h = dib.data();
        EXPECT_EQ(DibGetBitCount(h), r.bits);
        EXPECT_EQ(ReadU32(h + dibfield::ClrUsed), std::uint32_t(r.colours));
        EXPECT_EQ(ReadU32(h + dibfield::SizeImage), std::uint32_t(r.stride * 2));
        EXPECT_EQ(dib.size(), 40u + 4 * r.colours + r.stride * 2);
        EXPECT_EQ(DibValidate(dib), DibStatus::Ok);
    }
}

TEST(CGraphArray, OneBitRowOfNine) {
    // One row: indices 1 0 1 1 0 0 0 1 | 1 -> 0xB1, then the ninth index in bit 7.
    DibHandle dib = Pack(9, 1, 2, {1, 0, 1, 1, 0, 0, 0, 1, 1});
    const std::uint8_t* row = DibGetBits(dib.data());
    EXPECT_EQ(row[0], 0xB1);
    EXPECT_EQ(row[1], 0x80);
    EXPECT_EQ(row[2], 0);
    EXPECT_EQ(row[3], 0);
}

TEST(CGraphArray, FourBitRowOfThree) {
    DibHandle dib = Pack(3, 1, 16, {0xA, 0x5, 0xC});
    const std::uint8_t* row = DibGetBits(dib.data());
    EXPECT_EQ(row[0], 0xA5);
    EXPECT_EQ(row[1], 0xC0);
    EXPECT_EQ(row[2], 0);
    EXPECT_EQ(row[3], 0);
}

TEST(CGraphArray, SeventeenColoursTableAndRowsBottomUp) {
    DibHandle dib = Pack(2, 2, 17, {16, 1, 2, 3}); // top row 16 1, bottom row 2 3
    const std::uint8_t* h = dib.data();
    const std::uint8_t* table = h + 40;
    EXPECT_EQ(ReadU32(table + 4 * 16), 0x102030u); // 16 x 0x010203: blue 0x30 first
    const std::uint8_t* bits = DibGetBits(h);
    EXPECT_EQ(bits - h, 40 + 68);
    EXPECT_EQ(bits[0], 2);
    EXPECT_EQ(bits[1], 3);
    EXPECT_EQ(bits[4], 16);
    EXPECT_EQ(bits[5], 1);
}

TEST(CGraphArray, TakeResultTwice) {
    CGraphArray graph;
    graph.m_nWidth = graph.m_nHeight = 1;
    graph.m_nColors = 2;
    graph.m_pPixels = static_cast<std::uint32_t*>(std::calloc(1, 4));
    ASSERT_TRUE(graph.BuildResultDib());
    DibHandle first = graph.TakeResult();
    DibHandle second = graph.TakeResult();
    EXPECT_TRUE(first);
    EXPECT_FALSE(second);
    EXPECT_FALSE(graph.GetResult());
    EXPECT_EQ(second.size(), 0u);
}

TEST(CGraphArray, BuildRefusesWithoutPixels) {
    CGraphArray graph;
    EXPECT_FALSE(graph.BuildResultDib());
    EXPECT_FALSE(graph.GetResult());
}

TEST(CGraphArray, ResultRoundTripsThroughFile) {
    // Every result depth: pack, write, read back and unpack; each pixel must come back as its
    // palette colour.
    for (int colours : {2, 16, 256}) {
        SCOPED_TRACE(colours);
        const int w = 13, h = 5;
        std::vector<std::uint32_t> indices(w * h);
        for (int i = 0; i < w * h; ++i)
            indices[i] = static_cast<std::uint32_t>((i * 7 + i / w) % colours);
        DibHandle dib = Pack(w, h, colours, indices);
        std::vector<std::uint8_t> file;
        ASSERT_TRUE(DibWriteFile(dib, [&](const std::uint8_t* p, std::size_t n) {
            file.insert(file.end(), p, p + n);
            return true;
        }));
        BmpReadResult r = DibReadMemory(file.data(), file.size());
        ASSERT_EQ(r.error, BmpError::None);
        std::vector<std::uint32_t> pixels = Unpack(r.dib);
        ASSERT_EQ(pixels.size(), indices.size());
        for (int i = 0; i < w * h; ++i)
            ASSERT_EQ(pixels[i], 0x010203u * indices[i]) << i;
    }
}

struct UnpackCase {
    const char* name;
    DibFields fields;
    std::vector<std::uint8_t> rest; // masks, table, rows
    std::vector<std::uint32_t> expected;
};

DibFields Bitfields(std::int32_t w, std::int32_t h, std::uint16_t bits) {
    DibFields f = Fields(w, h, bits);
    f.compression = kCompressionBitfields;
    return f;
}

std::vector<std::uint8_t> MaskBytes(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    std::vector<std::uint8_t> m(12);
    WriteU32(m.data(), r);
    WriteU32(m.data() + 4, g);
    WriteU32(m.data() + 8, b);
    return m;
}

DibFields Used(DibFields f, std::uint32_t colours) {
    f.clrUsed = colours;
    return f;
}

const UnpackCase kUnpack[] = {
    // Two rows stored bottom first: the second stored row is the top row.
    {"OneBitHighBitFirst",
     Used(Fields(10, 2, 1), 2),
     Concat(TableBytes({0x0000FF, 0x00FF00}), {0x00, 0x40, 0, 0, 0x81, 0x00, 0, 0}),
     {0x00FF00, 0x0000FF, 0x0000FF, 0x0000FF, 0x0000FF, 0x0000FF, 0x0000FF,
      0x00FF00, 0x0000FF, 0x0000FF, 0x0000FF, 0x0000FF, 0x0000FF, 0x0000FF,
      0x0000FF, 0x0000FF, 0x0000FF, 0x0000FF, 0x0000FF, 0x00FF00}},
    {"FourBitHighNibbleFirst",
     Used(Fields(3, 1, 4), 3),
     Concat(TableBytes({0x111111, 0x222222, 0x333333}), {0x21, 0x00, 0, 0}),
     {0x333333, 0x222222, 0x111111}},
    {"FourthTableByteIgnored",
     Used(Fields(2, 1, 8), 2),
     Concat(TableBytes({0xABCDEF, 0x123456}, 0xFF), {1, 0, 0, 0}),
     {0x123456, 0xABCDEF}},
    {"IndexBeyondTableIsBlack",
     Used(Fields(3, 1, 8), 2),
     Concat(TableBytes({0xFFFFFF, 0xFFFFFF}), {1, 2, 255, 0}),
     {0xFFFFFF, 0, 0}},
    {"TrueColourBlueFirst",
     Fields(2, 1, 24),
     {0x01, 0x02, 0x03, 0xF1, 0xF2, 0xF3, 0, 0},
     {0x030201, 0xF3F2F1}},
    // 5-5-5 by default; a 5-bit level v becomes v x 8: 31 -> 248, 16 -> 128.
    {"SixteenBitDefault555",
     Fields(3, 1, 16),
     {0xFF, 0x7F, 0x10, 0x42, 0x00, 0xFC, 0, 0},
     {0xF8F8F8, 0x808080, 0xF80000}},
    {"SixteenBitTopBitIsNotColour", Fields(1, 1, 16), {0x00, 0x80, 0, 0}, {0x000000}},
    {"SixteenBit565Masks",
     Bitfields(2, 1, 16),
     Concat(MaskBytes(0xF800, 0x07E0, 0x001F), {0x00, 0xF8, 0x20, 0x00}),
     {0xF80000, 0x000400}},
    {"ThirtyTwoBitDefaultDropsTopByte", Fields(1, 1, 32), {0x56, 0x34, 0x12, 0xAB}, {0x123456}},
    // Masks in another order: red in the low byte. Ten-bit fields keep their top 8 bits.
    {"ThirtyTwoBitMaskOrder",
     Bitfields(1, 1, 32),
     Concat(MaskBytes(0x0000FF, 0x00FF00, 0xFF0000), {0x11, 0x22, 0x33, 0x00}),
     {0x112233}},
    {"ThirtyTwoBitTenBitFields",
     Bitfields(1, 1, 32),
     Concat(MaskBytes(0x3FF00000, 0x000FFC00, 0x000003FF), {0xFF, 0x13, 0x10, 0x20}),
     // red 0x201 -> 0x80, green 0x004 -> 0x01, blue 0x3FF -> 0xFF
     {0x8001FF}},
};

class UnpackTest : public testing::TestWithParam<UnpackCase> {};

TEST_P(UnpackTest, GivesColours) {
    DibHandle dib = MakeDib(GetParam().fields, GetParam().rest);
    ASSERT_EQ(DibValidate(dib), DibStatus::Ok);
    EXPECT_EQ(Unpack(dib), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, UnpackTest, testing::ValuesIn(kUnpack),
                         [](const auto& info) { return std::string(info.param.name); });

DibFields RunLength(std::int32_t w, std::int32_t h, std::uint16_t bits, std::size_t bytes) {
    DibFields f = Fields(w, h, bits);
    f.compression = bits == 8 ? kCompressionRle8 : kCompressionRle4;
    f.sizeImage = static_cast<std::uint32_t>(bytes);
    f.clrUsed = 4;
    return f;
}

const std::vector<std::uint32_t> kFour = {0xA0A0A0, 0x111111, 0x222222, 0x333333};

struct RunCase {
    const char* name;
    std::uint16_t bits;
    int width, height;
    std::vector<std::uint8_t> stream;
    std::vector<std::uint32_t> expected; // empty: refused
};

const RunCase kRuns[] = {
    // Bottom row: three of index 1, the fourth pixel never set (entry 0). Top row: literal 2 3 1.
    {"EightBitRunsAndLiterals",
     8,
     4,
     2,
     {3, 1, 0, 0, 0, 3, 2, 3, 1, 0, 0, 1},
     {0x222222, 0x333333, 0x111111, 0xA0A0A0, 0x111111, 0x111111, 0x111111, 0xA0A0A0}},
    {"EightBitJump",
     8,
     3,
     2,
     {0, 2, 2, 1, 1, 3, 0, 1},
     {0xA0A0A0, 0xA0A0A0, 0x333333, 0xA0A0A0, 0xA0A0A0, 0xA0A0A0}},
    {"FourBitAlternatingNibbles",
     4,
     5,
     1,
     {5, 0x12, 0, 1},
     {0x111111, 0x222222, 0x111111, 0x222222, 0x111111}},
    {"FourBitLiteral", 4, 3, 1, {0, 3, 0x32, 0x10, 0, 1}, {0x333333, 0x222222, 0x111111}},
    {"StreamEndsWithoutEndCode", 8, 2, 1, {1, 3}, {0x333333, 0xA0A0A0}},
    {"RunPastRowEnd", 8, 4, 2, {5, 1, 0, 1}, {}},
    {"LiteralPastRowEnd", 8, 2, 1, {0, 3, 1, 1, 1, 0}, {}},
    {"JumpPastRightEdge", 8, 4, 2, {0, 2, 5, 0, 1, 1}, {}},
    {"JumpPastLastRow", 8, 4, 2, {0, 2, 0, 3, 0, 1}, {}},
    {"RunAfterLastRow", 8, 2, 1, {0, 0, 1, 1}, {}},
    {"LiteralCutByStreamEnd", 8, 4, 1, {0, 4, 1, 1}, {}},
    {"FourBitRunPastRowEnd", 4, 3, 1, {4, 0x11, 0, 1}, {}},
};

class RunLengthTest : public testing::TestWithParam<RunCase> {};

TEST_P(RunLengthTest, Unpacks) {
    const RunCase& c = GetParam();
    DibHandle dib = MakeDib(RunLength(c.width, c.height, c.bits, c.stream.size()),
                            Concat(TableBytes(kFour), c.stream));
    ASSERT_EQ(DibValidate(dib), DibStatus::Ok);
    CGraphArray graph;
    graph.SetSource(&dib);
    if (c.expected.empty()) {
        EXPECT_FALSE(graph.LoadPixels());
        EXPECT_EQ(graph.m_pPixels, nullptr);
    } else {
        EXPECT_EQ(Unpack(dib), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, RunLengthTest, testing::ValuesIn(kRuns),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CGraphArray, LoadRefusesWhatItCannotUnpack) {
    CGraphArray graph;
    EXPECT_FALSE(graph.LoadPixels()); // no source
    DibFields core = Fields(2, 1, 24);
    core.headerSize = 12;
    DibHandle coreDib = MakeDib(core, Zeros(8));
    graph.SetSource(&coreDib);
    EXPECT_FALSE(graph.LoadPixels());
    DibHandle cut = MakeDib(Fields(2, 2, 24), Zeros(9));
    graph.SetSource(&cut);
    EXPECT_FALSE(graph.LoadPixels());
    EXPECT_EQ(graph.m_pPixels, nullptr);
}

TEST(CGraphArray, FreePixelsKeepsSize) {
    DibHandle dib = MakeDib(Fields(2, 3, 24), Zeros(24));
    CGraphArray graph;
    graph.SetSource(&dib);
    ASSERT_TRUE(graph.LoadPixels());
    graph.FreePixels();
    EXPECT_EQ(graph.m_pPixels, nullptr);
    EXPECT_EQ(graph.m_nWidth, 2);
    EXPECT_EQ(graph.m_nHeight, 3);
}

} // namespace
