#include "image/dib_check.h"
#include "quant/pixel_array.h"
#include "tests/support/dib_builder.h"

#include <gtest/gtest.h>

namespace {

DibFields F(std::int32_t w, std::int32_t h, std::uint16_t bits, std::uint32_t compression = 0,
            std::uint32_t clrUsed = 0, std::uint32_t sizeImage = 0) {
    return {40, w, h, 1, bits, compression, sizeImage, clrUsed};
}

// The unpacked pixels, or nothing when LoadPixels refuses (and then nothing is allocated).
std::vector<std::uint32_t> Unpack(const DibHandle& dib) {
    CPixelArray graph;
    graph.SetSource(&dib);
    if (!graph.LoadPixels()) {
        EXPECT_EQ(graph.m_pPixels, nullptr);
        return {};
    }
    EXPECT_EQ(graph.m_nBitCount, 24);
    return {graph.m_pPixels, graph.m_pPixels + std::size_t(graph.m_nWidth) * graph.m_nHeight};
}

// Builds the result picture of `colours` entries (entry i is 0x010203 x i) from indices.
DibHandle Pack(int width, int height, int colours, const std::vector<std::uint32_t>& indices) {
    CPixelArray graph;
    graph.m_nWidth = width;
    graph.m_nHeight = height;
    graph.m_nColors = colours;
    graph.m_pPixels = static_cast<std::uint32_t*>(std::malloc(indices.size() * 4));
    std::copy(indices.begin(), indices.end(), graph.m_pPixels);
    for (std::uint32_t i = 0; i < 256; ++i)
        graph.m_palette[i] = 0x010203u * i;
    EXPECT_TRUE(graph.BuildResultDib());
    return graph.TakeResult();
}

TEST(CPixelArray, BitsPerPixelFollowColourCount) {
    struct Row {
        int colours, bits, stride;
    };
    // Width 9: 1 bit needs 2 bytes, 4 bits 5 bytes, 8 bits 9 bytes; each padded to 4.
    for (Row r : {Row{2, 1, 4}, Row{3, 4, 8}, Row{16, 4, 8}, Row{17, 8, 12}, Row{256, 8, 12}}) {
        SCOPED_TRACE(r.colours);
        DibHandle dib = Pack(9, 2, r.colours, std::vector<std::uint32_t>(18, 1));
        const std::uint8_t* h = dib.data();
        EXPECT_EQ(DibGetBitCount(h), r.bits);
        EXPECT_EQ(ReadU32(h + dibfield::ClrUsed), std::uint32_t(r.colours));
        EXPECT_EQ(ReadU32(h + dibfield::SizeImage), std::uint32_t(r.stride * 2));
        EXPECT_EQ(dib.size(), 40u + 4 * r.colours + r.stride * 2);
        EXPECT_EQ(DibValidate(dib), DibStatus::Ok);
    }
}

TEST(CPixelArray, ResultRows) {
    using Bytes = std::vector<std::uint8_t>;
    const auto bits = [](const DibHandle& dib, int n) {
        return Bytes(DibGetBits(dib.data()), DibGetBits(dib.data()) + n);
    };
    // 9 wide at 1 bit: indices 1 0 1 1 0 0 0 1 | 1 give 0xB1, then the ninth index in bit 7.
    EXPECT_EQ(bits(Pack(9, 1, 2, {1, 0, 1, 1, 0, 0, 0, 1, 1}), 4), Bytes({0xB1, 0x80, 0, 0}));
    // 3 wide at 4 bits: the third index in the high nibble of the second byte.
    EXPECT_EQ(bits(Pack(3, 1, 16, {0xA, 0x5, 0xC}), 4), Bytes({0xA5, 0xC0, 0, 0}));
    // 17 colours at 8 bits: table entry 16 is blue 0x30, green 0x20, red 0x10; rows bottom-up,
    // after a table of 17 x 4 bytes.
    DibHandle eight = Pack(2, 2, 17, {16, 1, 2, 3});
    EXPECT_EQ(ReadU32(eight.data() + 40 + 4 * 16), 0x102030u);
    EXPECT_EQ(DibGetBits(eight.data()), eight.data() + 40 + 68);
    EXPECT_EQ(bits(eight, 8), Bytes({2, 3, 0, 0, 16, 1, 0, 0}));
}

struct UnpackRow {
    const char* name;
    DibFields fields;
    std::vector<std::uint8_t> rest; // masks, colour table, pixel bytes
    std::vector<std::uint32_t> expected;
};

const std::vector<std::uint8_t> kTwo = TableBytes({0x0000FF, 0x00FF00});
const std::vector<std::uint8_t> kFour = TableBytes({0xA0A0A0, 0x111111, 0x222222, 0x333333});
constexpr std::uint32_t A = 0xA0A0A0, B = 0x111111, C = 0x222222, D = 0x333333;

// clang-format off
const UnpackRow kUnpack[] = {
    // Two 1-bit rows, stored bottom first: the second stored row is the top row.
    {"OneBitHighBitFirst", F(10, 2, 1, 0, 2), Concat(kTwo, {0x00, 0x40, 0, 0, 0x81, 0x00, 0, 0}),
     {0x00FF00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00FF00, 0xFF, 0xFF,
      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00FF00}},
    {"FourBitHighNibbleFirst", F(3, 1, 4, 0, 4), Concat(kFour, {0x21, 0x30, 0, 0}), {C, B, D}},
    {"FourthTableByteIgnored", F(2, 1, 8, 0, 2), Concat(TableBytes({0xABCDEF, 0x123456}, 0xFF), {1, 0, 0, 0}),
     {0x123456, 0xABCDEF}},
    {"IndexBeyondTableIsBlack", F(3, 1, 8, 0, 2), Concat(kTwo, {1, 2, 255, 0}), {0x00FF00, 0, 0}},
    {"TrueColourBlueFirst", F(2, 1, 24), {1, 2, 3, 0xF1, 0xF2, 0xF3, 0, 0}, {0x030201, 0xF3F2F1}},
    // 5-5-5 by default; a 5-bit level v becomes v x 8 (31 -> 248, 16 -> 128); the top bit is unused.
    {"SixteenBitDefault555", F(3, 1, 16), {0xFF, 0x7F, 0x10, 0x42, 0x00, 0xFC, 0, 0},
     {0xF8F8F8, 0x808080, 0xF80000}},
    // Green 1 of 6 bits becomes 4.
    {"SixteenBit565Masks", F(2, 1, 16, 3), Concat(Words({0xF800, 0x07E0, 0x001F}), {0x00, 0xF8, 0x20, 0x00}),
     {0xF80000, 0x000400}},
    {"ThirtyTwoBitDefaultDropsTopByte", F(1, 1, 32), {0x56, 0x34, 0x12, 0xAB}, {0x123456}},
    {"ThirtyTwoBitMaskOrder", F(1, 1, 32, 3), Concat(Words({0xFF, 0xFF00, 0xFF0000}), {0x11, 0x22, 0x33, 0}),
     {0x112233}},
    // 0x201013FF: red 0x201 -> 0x80, green 0x004 -> 0x01, blue 0x3FF -> 0xFF (top 8 of 10 bits).
    {"ThirtyTwoBitTenBitFields", F(1, 1, 32, 3),
     Concat(Words({0x3FF00000, 0x000FFC00, 0x3FF}), {0xFF, 0x13, 0x10, 0x20}), {0x8001FF}},
    // Run-length streams, 4 colours. Bottom row: three of index 1, the fourth pixel never set
    // (entry 0). Top row: the literal 2 3 1.
    {"EightBitRunsAndLiterals", F(4, 2, 8, 1, 4, 12), Concat(kFour, {3, 1, 0, 0, 0, 3, 2, 3, 1, 0, 0, 1}),
     {C, D, B, A, B, B, B, A}},
    {"EightBitJump", F(3, 2, 8, 1, 4, 8), Concat(kFour, {0, 2, 2, 1, 1, 3, 0, 1}), {A, A, D, A, A, A}},
    {"FourBitRunAlternates", F(5, 1, 4, 2, 4, 4), Concat(kFour, {5, 0x12, 0, 1}), {B, C, B, C, B}},
    {"FourBitLiteral", F(3, 1, 4, 2, 4, 6), Concat(kFour, {0, 3, 0x32, 0x10, 0, 1}), {D, C, B}},
    {"StreamEndsWithoutEndCode", F(2, 1, 8, 1, 4, 2), Concat(kFour, {1, 3}), {D, A}},
    {"RunPastRowEnd", F(4, 2, 8, 1, 4, 4), Concat(kFour, {5, 1, 0, 1}), {}},
    {"LiteralPastRowEnd", F(2, 1, 8, 1, 4, 6), Concat(kFour, {0, 3, 1, 1, 1, 0}), {}},
    {"JumpPastRightEdge", F(4, 2, 8, 1, 4, 6), Concat(kFour, {0, 2, 5, 0, 1, 1}), {}},
    {"JumpPastLastRow", F(4, 2, 8, 1, 4, 6), Concat(kFour, {0, 2, 0, 3, 0, 1}), {}},
    {"RunAfterLastRow", F(2, 1, 8, 1, 4, 4), Concat(kFour, {0, 0, 1, 1}), {}},
    {"LiteralCutByStreamEnd", F(4, 1, 8, 1, 4, 4), Concat(kFour, {0, 4, 1, 1}), {}},
    {"FourBitRunPastRowEnd", F(3, 1, 4, 2, 4, 4), Concat(kFour, {4, 0x11, 0, 1}), {}},
    // Only pictures with an information header are unpacked.
    {"CoreHeader", {12, 2, 1, 1, 24, 0, 0, 0}, std::vector<std::uint8_t>(8), {}},
};
// clang-format on

class UnpackTest : public testing::TestWithParam<UnpackRow> {};

TEST_P(UnpackTest, GivesColours) {
    DibHandle dib = MakeDib(GetParam().fields, GetParam().rest);
    ASSERT_EQ(DibValidate(dib), DibStatus::Ok);
    EXPECT_EQ(Unpack(dib), GetParam().expected);
    // The check without unpacking agrees: a reason exactly for the refused pictures.
    EXPECT_EQ(UnpackRefusal(&dib) != nullptr, GetParam().expected.empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, UnpackTest, testing::ValuesIn(kUnpack),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CPixelArray, RefusesMissingOrInvalidSource) {
    CPixelArray graph;
    EXPECT_FALSE(graph.LoadPixels());
    EXPECT_FALSE(graph.BuildResultDib()); // no pixels
    EXPECT_FALSE(graph.GetResult());
    DibHandle cut = MakeDib(F(2, 2, 24), std::vector<std::uint8_t>(15));
    EXPECT_TRUE(Unpack(cut).empty());
}

} // namespace
