#include "image/dib_check.h"
#include "tests/image/dib_builder.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> Zeros(std::size_t n) {
    return std::vector<std::uint8_t>(n, 0);
}

std::vector<std::uint8_t> Masks(std::uint32_t r, std::uint32_t g, std::uint32_t b,
                                std::size_t pixelBytes) {
    std::vector<std::uint8_t> m(12 + pixelBytes);
    WriteU32(m.data(), r);
    WriteU32(m.data() + 4, g);
    WriteU32(m.data() + 8, b);
    return m;
}

DibFields Info(std::int32_t w, std::int32_t h, std::uint16_t bits) {
    DibFields f;
    f.width = w;
    f.height = h;
    f.bits = bits;
    return f;
}

DibFields With(DibFields f, void (*change)(DibFields&)) {
    change(f);
    return f;
}

struct Case {
    const char* name;
    DibFields fields;
    std::vector<std::uint8_t> rest;
    DibStatus expected;
    std::size_t keepBytes = 0; // when not 0, the block is cut to this many bytes
};

// A 3 x 2 picture has 12-byte rows at 24 bits, 4-byte rows at 8 bits.
const Case kCases[] = {
    {"PlainTrueColour", Info(3, 2, 24), Zeros(24), DibStatus::Ok},
    {"EightBitWithFullTable", Info(3, 2, 8), Zeros(1024 + 8), DibStatus::Ok},
    {"CoreHeaderFourBit", With(Info(3, 2, 4), [](DibFields& f) { f.headerSize = 12; }),
     Zeros(48 + 8), DibStatus::Ok},
    {"BitFieldsWithMasks", With(Info(3, 2, 16), [](DibFields& f) { f.compression = 3; }),
     Masks(0xF800, 0x07E0, 0x001F, 16), DibStatus::Ok},
    {"LaterHeaderVersion", With(Info(3, 2, 24), [](DibFields& f) { f.headerSize = 108; }),
     Zeros(200), DibStatus::BadHeader},
    {"UnknownHeaderSize", With(Info(3, 2, 24), [](DibFields& f) { f.headerSize = 66; }), Zeros(200),
     DibStatus::BadHeader},
    {"PlanesNotOne", With(Info(3, 2, 24), [](DibFields& f) { f.planes = 30000; }), Zeros(24),
     DibStatus::BadHeader},
    {"ZeroWidth", Info(0, 2, 24), Zeros(24), DibStatus::BadDimensions},
    {"ZeroHeight", Info(3, 0, 24), Zeros(24), DibStatus::BadDimensions},
    {"TopDownRows", Info(3, -2, 24), Zeros(24), DibStatus::TooLarge},
    {"NegativeWidth", Info(-3, 2, 24), Zeros(24), DibStatus::TooLarge},
    {"HugeTrueColour", Info(3000000, 2000000, 24), Zeros(24), DibStatus::TooLarge},
    {"PixelCountOverflows32Bits", Info(65536, 65536, 1), Zeros(24), DibStatus::TooLarge},
    {"LargestDimensions", Info(2147483647, 2147483647, 32), Zeros(24), DibStatus::TooLarge},
    {"OnePixelAboveLimit", Info(16384, 16385, 1), Zeros(24), DibStatus::TooLarge},
    {"TwoBitsPerPixel", Info(3, 2, 2), Zeros(16 + 8), DibStatus::BadBitCount},
    {"AbsurdBitCount", Info(3, 2, 30000), Zeros(1000), DibStatus::BadBitCount},
    {"CoreHeaderSixteenBit", With(Info(3, 2, 16), [](DibFields& f) { f.headerSize = 12; }),
     Zeros(16), DibStatus::BadBitCount},
    {"RunLength8OnFourBit", With(Info(3, 2, 4), [](DibFields& f) { f.compression = 1; }), Zeros(64),
     DibStatus::BadCompression},
    {"RunLength4OnEightBit", With(Info(3, 2, 8), [](DibFields& f) { f.compression = 2; }),
     Zeros(1024), DibStatus::BadCompression},
    {"BitFieldsOnTrueColour", With(Info(3, 2, 24), [](DibFields& f) { f.compression = 3; }),
     Masks(0xFF0000, 0xFF00, 0xFF, 24), DibStatus::BadCompression},
    {"AlphaBitFields", With(Info(3, 2, 32), [](DibFields& f) { f.compression = 6; }),
     Masks(0xFF0000, 0xFF00, 0xFF, 40), DibStatus::BadCompression},
    {"ZeroMask", With(Info(3, 2, 16), [](DibFields& f) { f.compression = 3; }),
     Masks(0xFF00, 0x00FF, 0, 16), DibStatus::BadCompression},
    {"SplitMask", With(Info(3, 2, 32), [](DibFields& f) { f.compression = 3; }),
     Masks(0xF0F000, 0xFF00, 0xFF, 24), DibStatus::BadCompression},
    {"MaskOutsideSixteenBits", With(Info(3, 2, 16), [](DibFields& f) { f.compression = 3; }),
     Masks(0x1F0000, 0x03E0, 0x001F, 16), DibStatus::BadCompression},
    {"MasksCutOff", With(Info(3, 2, 16), [](DibFields& f) { f.compression = 3; }), Zeros(8),
     DibStatus::Truncated},
    {"MoreColoursThanEightBitsIndex", With(Info(3, 2, 8), [](DibFields& f) { f.clrUsed = 257; }),
     Zeros(257 * 4 + 8), DibStatus::BadColorTable},
    {"ThreeColoursAtOneBit", With(Info(3, 2, 1), [](DibFields& f) { f.clrUsed = 3; }),
     Zeros(12 + 8), DibStatus::BadColorTable},
    {"ColourCountAboveSixteenBits",
     With(Info(3, 2, 24), [](DibFields& f) { f.clrUsed = 0x12341234; }), Zeros(24),
     DibStatus::BadColorTable},
    {"ColourTableCutShort", Info(3, 2, 8), Zeros(1000), DibStatus::Truncated},
    {"LastRowShortByOneByte", Info(3, 2, 24), Zeros(23), DibStatus::Truncated},
    {"HeaderCutShort", Info(3, 2, 24), Zeros(24), DibStatus::Truncated, 30},
    {"RunLengthSizePastBlock",
     With(Info(3, 2, 8),
          [](DibFields& f) {
              f.compression = 1;
              f.sizeImage = 9;
          }),
     Zeros(1024 + 8), DibStatus::Truncated},
};

class DibValidateTest : public testing::TestWithParam<Case> {};

TEST_P(DibValidateTest, Judges) {
    const Case& c = GetParam();
    DibHandle dib = MakeDib(c.fields, c.rest);
    if (c.keepBytes != 0) {
        DibHandle cut = DibHandle::Allocate(c.keepBytes);
        std::memcpy(cut.data(), dib.data(), c.keepBytes);
        dib = std::move(cut);
    }
    EXPECT_EQ(DibValidate(dib), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, DibValidateTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DibValidate, AcceptsTheLimitItself) {
    // 2^28 one-bit pixels: 16384 rows of 2048 bytes.
    DibHandle dib = MakeDib(Info(16384, 16384, 1), Zeros(8 + 2048 * 16384));
    EXPECT_EQ(DibValidate(dib), DibStatus::Ok);
}

TEST(DibValidate, NullHandleIsRefused) {
    EXPECT_NE(DibValidate(DibHandle()), DibStatus::Ok);
}

TEST(DibValidate, EveryStatusHasText) {
    for (DibStatus s : {DibStatus::Ok, DibStatus::BadHeader, DibStatus::BadDimensions,
                        DibStatus::TooLarge, DibStatus::BadBitCount, DibStatus::BadColorTable,
                        DibStatus::BadCompression, DibStatus::Truncated, DibStatus::OutOfMemory})
        EXPECT_GT(std::strlen(DibStatusText(s)), 5u);
    EXPECT_STREQ(DibStatusText(DibStatus::TooLarge), "DIB is too large");
}

} // namespace
