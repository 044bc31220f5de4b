// Palette files: written and read back in every format, malformed ones refused with the line or
// byte at fault.
#include "export/palette_file.h"
#include "tests/support/dib_builder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

PaletteRead Parse(PaletteFormat format, const std::vector<std::uint8_t>& bytes) {
    return ParsePalette(format, bytes.data(), bytes.size());
}

std::vector<std::uint8_t> Written(PaletteFormat format, const Palette& palette) {
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(WritePalette(format, palette, [&](const std::uint8_t* p, std::size_t n) {
        bytes.insert(bytes.end(), p, p + n);
        return true;
    }));
    return bytes;
}

TEST(PaletteFile, EveryFormatReadsBackWhatItWrote) {
    Palette full;
    for (std::uint32_t i = 0; i < 256; ++i)
        full.colors.push_back(i * 0x010203u & 0xFFFFFF);
    full.transparentIndex = 5;
    const Palette single{{0xFFFFFF}, -1};
    for (const PaletteFormat format :
         {PaletteFormat::Gimp, PaletteFormat::Act, PaletteFormat::Jasc, PaletteFormat::Hex})
        for (const Palette& palette : {full, single}) {
            SCOPED_TRACE(static_cast<int>(format));
            const PaletteRead read = Parse(format, Written(format, palette));
            ASSERT_EQ(read.error, "");
            EXPECT_EQ(read.palette.colors, palette.colors);
            // Only colour tables keep a transparent index.
            EXPECT_EQ(read.palette.transparentIndex,
                      format == PaletteFormat::Act ? palette.transparentIndex : -1);
        }
}

TEST(PaletteFile, ColourTableLayout) {
    std::vector<std::uint8_t> bytes = Written(PaletteFormat::Act, {{0x102030, 0x405060}, -1});
    ASSERT_EQ(bytes.size(), 772u);
    EXPECT_EQ(bytes[3], 0x40);
    EXPECT_EQ(bytes[767], 0);
    // Count 2 and no transparent entry (0xFFFF), both big-endian.
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 768, bytes.end()),
              (std::vector<std::uint8_t>{0, 2, 0xFF, 0xFF}));
    // A table without the four trailing bytes holds 256 colours.
    bytes.resize(768);
    EXPECT_EQ(Parse(PaletteFormat::Act, bytes).palette.colors.size(), 256u);
}

TEST(PaletteFile, MalformedFilesNameTheLineOrByte) {
    std::string tooManyHex, tooManyGimp = "GIMP Palette\n";
    for (int i = 0; i < 257; ++i) {
        tooManyHex += "00ff00\n";
        tooManyGimp += "0 255 0\n";
    }
    std::vector<std::uint8_t> actCount(772, 0), actTransparent(772, 0);
    actCount[768] = 0x01;
    actCount[769] = 0x01; // 257 colours
    actTransparent[769] = 4;
    actTransparent[771] = 4; // index 4 of 4 colours
    struct Row {
        const char* name;
        PaletteFormat format;
        std::vector<std::uint8_t> bytes;
        const char* error;
    };
    const Row rows[] = {
        {"GIMP without its first line", PaletteFormat::Gimp, Bytes("Name: x\n1 2 3\n"), "line 1:"},
        {"GIMP value above 255", PaletteFormat::Gimp, Bytes("GIMP Palette\n# c\n1 2 3\n1 256 3\n"),
         "line 4:"},
        {"GIMP two numbers", PaletteFormat::Gimp, Bytes("GIMP Palette\r\n1 2\r\n"), "line 2:"},
        {"GIMP no colours", PaletteFormat::Gimp, Bytes("GIMP Palette\nName: empty\n"),
         "no colours"},
        {"GIMP 257 colours", PaletteFormat::Gimp, Bytes(tooManyGimp), "line 258: more than 256"},
        {"JASC bad version", PaletteFormat::Jasc, Bytes("JASC-PAL\n0200\n1\n1 2 3\n"), "line 2:"},
        {"JASC count 0", PaletteFormat::Jasc, Bytes("JASC-PAL\n0100\n0\n"), "line 3:"},
        {"JASC count 257", PaletteFormat::Jasc, Bytes("JASC-PAL\n0100\n257\n"), "line 3:"},
        {"JASC short", PaletteFormat::Jasc, Bytes("JASC-PAL\n0100\n3\n1 2 3\n4 5 6\n"), "line 6:"},
        {"JASC long", PaletteFormat::Jasc, Bytes("JASC-PAL\n0100\n1\n1 2 3\n4 5 6\n"), "line 5:"},
        {"JASC letters", PaletteFormat::Jasc, Bytes("JASC-PAL\n0100\n1\n1 x 3\n"), "line 4:"},
        {"hex five digits", PaletteFormat::Hex, Bytes("00ff00\n\n0ff00\n"), "line 3:"},
        {"hex not hex", PaletteFormat::Hex, Bytes("00ffzz\n"), "line 1:"},
        {"hex 257 colours", PaletteFormat::Hex, Bytes(tooManyHex), "line 257: more than 256"},
        {"hex empty", PaletteFormat::Hex, Bytes("\n\n"), "no colours"},
        {"ACT short", PaletteFormat::Act, std::vector<std::uint8_t>(700, 0), "byte 700:"},
        {"ACT long", PaletteFormat::Act, std::vector<std::uint8_t>(800, 0), "byte 772:"},
        {"ACT count 257", PaletteFormat::Act, actCount, "byte 768:"},
        {"ACT transparent beyond", PaletteFormat::Act, actTransparent, "byte 770:"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const PaletteRead read = Parse(row.format, row.bytes);
        EXPECT_EQ(read.error.rfind(row.error, 0), 0u) << read.error;
        EXPECT_TRUE(read.palette.colors.empty());
    }
}

TEST(PaletteFile, FormatByExtensionAndPicturesAsPalettes) {
    EXPECT_EQ(PaletteFormatOf("x.GPL"), PaletteFormat::Gimp);
    EXPECT_EQ(PaletteFormatOf("x.Act"), PaletteFormat::Act);
    EXPECT_EQ(PaletteFormatOf("x.pal"), PaletteFormat::Jasc);
    EXPECT_EQ(PaletteFormatOf("x.hex"), PaletteFormat::Hex);
    EXPECT_FALSE(PaletteFormatOf("x.png"));

    // Distinct colours in order of first appearance.
    const PaletteRead read =
        PaletteFromPicture(MakeDib24(2, 2, {0x0000FF, 0xFF0000, 0x0000FF, 0x00FF00}));
    EXPECT_EQ(read.palette.colors, (std::vector<std::uint32_t>{0x0000FF, 0xFF0000, 0x00FF00}));
}

} // namespace
