#include "image/dib.h"

#include <gtest/gtest.h>

namespace {

DibHandle MakeInfoDib(int width, int height, int bits, std::uint32_t clrUsed, std::size_t extra) {
    std::size_t table = clrUsed ? clrUsed * 4 : (bits <= 8 ? (4u << bits) : 0);
    std::size_t stride = ((bits * width + 31) / 32) * 4;
    DibHandle dib = DibHandle::Allocate(40 + table + stride * height + extra);
    std::uint8_t* h = dib.data();
    WriteU32(h, 40);
    WriteU32(h + dibfield::Width, width);
    WriteU32(h + dibfield::Height, height);
    WriteU16(h + dibfield::Planes, 1);
    WriteU16(h + dibfield::BitCount, bits);
    WriteU32(h + dibfield::ClrUsed, clrUsed);
    return dib;
}

} // namespace

TEST(Dib, TrueColourPictureHasNoTableAndNoPalette) {
    DibHandle dib = MakeInfoDib(3, 2, 24, 0, 0);
    EXPECT_EQ(DibGetColorCount(dib.data()), 0);
    EXPECT_EQ(DibGetColorTableSize(dib.data()), 0);
    EXPECT_EQ(DibGetBits(dib.data()), dib.data() + 40);
    EXPECT_TRUE(DibBuildPalette(dib).empty());
}

TEST(Dib, ColoursUsedSetsTableLength) {
    DibHandle dib = MakeInfoDib(3, 2, 8, 17, 0);
    EXPECT_EQ(DibGetColorCount(dib.data()), 17);
    EXPECT_EQ(DibGetColorTableSize(dib.data()), 68);
    EXPECT_EQ(DibBuildPalette(dib).size(), 17u);
}

TEST(Dib, CoreHeaderFourBitHasThreeByteEntries) {
    DibHandle dib = DibHandle::Allocate(12 + 48 + 8);
    std::uint8_t* h = dib.data();
    WriteU32(h, 12);
    WriteU16(h + 4, 5);
    WriteU16(h + 6, 2);
    WriteU16(h + 8, 1);
    WriteU16(h + 10, 4);
    h[12 + 3 * 5 + 2] = 0xAB; // red of entry 5
    EXPECT_EQ(DibGetWidth(h), 5);
    EXPECT_EQ(DibGetHeight(h), 2);
    EXPECT_EQ(DibGetColorTableSize(h), 48);
    EXPECT_EQ(DibGetBits(h), h + 60);
    EXPECT_EQ(DibBuildPalette(dib)[5], 0xFFAB0000u);
}

TEST(Dib, DuplicateCopiesWholeAllocation) {
    DibHandle dib = MakeInfoDib(1, 1, 24, 0, 100);
    dib.data()[dib.size() - 1] = 7;
    DibHandle copy = DibDuplicate(dib);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy.size(), dib.size());
    EXPECT_EQ(copy.data()[copy.size() - 1], 7);
    EXPECT_NE(copy.data(), dib.data());
    EXPECT_FALSE(DibDuplicate(DibHandle()));
}
