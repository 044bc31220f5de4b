#include "image/dib_check.h"
#include "tests/support/dib_builder.h"

#include <gtest/gtest.h>

namespace {

// One defect per row. `bytes` follow the header; with bit-field compression the first 12 of
// them are the masks. A 3 x 2 picture has 12-byte rows at 24 bits and 4-byte rows at 8 bits.
struct Row {
    const char* name;
    DibFields fields;
    std::size_t bytes;
    DibStatus expected;
    std::uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
    std::size_t keepBytes = 0; // when not 0, the block is cut to this size
};

DibFields F(std::int32_t w, std::int32_t h, std::uint16_t bits, std::uint32_t compression = 0,
            std::uint32_t clrUsed = 0, std::uint32_t headerSize = 40, std::uint16_t planes = 1) {
    return {headerSize, w, h, planes, bits, compression, 0, clrUsed};
}

// clang-format off
const Row kRows[] = {
    {"PlainTrueColour", F(3, 2, 24), 24, DibStatus::Ok},
    {"CoreHeaderFourBit", F(3, 2, 4, 0, 0, 12), 48 + 8, DibStatus::Ok},
    {"BitFieldsWithMasks", F(3, 2, 16, 3), 12 + 16, DibStatus::Ok},
    {"LaterHeaderVersion", F(3, 2, 24, 0, 0, 108), 200, DibStatus::BadHeader},
    {"PlanesNotOne", F(3, 2, 24, 0, 0, 40, 30000), 24, DibStatus::BadHeader},
    {"ZeroWidth", F(0, 2, 24), 24, DibStatus::BadDimensions},
    {"ZeroHeight", F(3, 0, 24), 24, DibStatus::BadDimensions},
    {"TopDownRows", F(3, -2, 24), 24, DibStatus::TooLarge},
    {"NegativeWidth", F(-3, 2, 24), 24, DibStatus::TooLarge},
    {"HugeTrueColour", F(3000000, 2000000, 24), 24, DibStatus::TooLarge},
    {"PixelCountOverflows32Bits", F(65536, 65536, 1), 24, DibStatus::TooLarge},
    {"RowBytesOverflow64Bits", F(2147483647, 2147483647, 32), 24, DibStatus::TooLarge},
    {"OnePixelRowAboveLimit", F(16384, 16385, 1), 24, DibStatus::TooLarge},
    {"TwoBitsPerPixel", F(3, 2, 2), 24, DibStatus::BadBitCount},
    {"AbsurdBitCount", F(3, 2, 30000), 1000, DibStatus::BadBitCount},
    {"CoreHeaderSixteenBit", F(3, 2, 16, 0, 0, 12), 16, DibStatus::BadBitCount},
    {"RunLength8OnFourBit", F(3, 2, 4, 1), 64, DibStatus::BadCompression},
    {"RunLength4OnEightBit", F(3, 2, 8, 2), 1024, DibStatus::BadCompression},
    {"BitFieldsOnTrueColour", F(3, 2, 24, 3), 36, DibStatus::BadCompression},
    {"AlphaBitFields", F(3, 2, 32, 6), 40, DibStatus::BadCompression},
    {"ZeroMask", F(3, 2, 16, 3), 28, DibStatus::BadCompression, {0xFF00, 0x00FF, 0}},
    {"SplitMask", F(3, 2, 32, 3), 36, DibStatus::BadCompression, {0xF0F000, 0xFF00, 0xFF}},
    {"MaskBeyondSixteenBits", F(3, 2, 16, 3), 28, DibStatus::BadCompression, {0x1F0000, 0x3E0, 0x1F}},
    {"MasksCutOff", F(3, 2, 16, 3), 8, DibStatus::Truncated},
    {"MoreColoursThanEightBitsIndex", F(3, 2, 8, 0, 257), 257 * 4 + 8, DibStatus::BadColorTable},
    {"ThreeColoursAtOneBit", F(3, 2, 1, 0, 3), 12 + 8, DibStatus::BadColorTable},
    {"ColourCountAboveSixteenBits", F(3, 2, 24, 0, 0x12341234), 24, DibStatus::BadColorTable},
    {"TableSizeBeyondSixteenBits", F(3, 2, 24, 0, 16384), 65536 + 24, DibStatus::BadColorTable},
    {"ColourTableCutShort", F(3, 2, 8), 1000, DibStatus::Truncated},
    {"LastRowShortByOneByte", F(3, 2, 24), 23, DibStatus::Truncated},
    {"RunLengthSizeFitsBlock", {40, 3, 2, 1, 8, 1, 8}, 1024 + 8, DibStatus::Ok},
    {"RunLengthSizeBeyondBlock", {40, 3, 2, 1, 8, 1, 8}, 1024 + 7, DibStatus::Truncated},
    {"HeaderCutShort", F(3, 2, 24), 24, DibStatus::Truncated, {}, 30},
};
// clang-format on

class DibValidateTest : public testing::TestWithParam<Row> {};

TEST_P(DibValidateTest, Judges) {
    const Row& r = GetParam();
    std::vector<std::uint8_t> rest(r.bytes);
    for (std::size_t i = 0; i < 3 && r.fields.compression == 3 && rest.size() >= 12; ++i)
        WriteU32(rest.data() + 4 * i, r.masks[i]);
    DibHandle dib = MakeDib(r.fields, rest);
    if (r.keepBytes != 0) {
        DibHandle cut = DibHandle::Allocate(r.keepBytes);
        std::memcpy(cut.data(), dib.data(), r.keepBytes);
        dib = std::move(cut);
    }
    EXPECT_EQ(DibValidate(dib), r.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, DibValidateTest, testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DibValidate, AcceptsTheLimitItself) {
    // 2^28 one-bit pixels: 16384 rows of 2048 bytes, after a 2-entry table.
    DibHandle dib = MakeDib(F(16384, 16384, 1), std::vector<std::uint8_t>(8 + 2048 * 16384));
    EXPECT_EQ(DibValidate(dib), DibStatus::Ok);
    EXPECT_NE(DibValidate(DibHandle()), DibStatus::Ok);
}

} // namespace
