#include "pluginhost/picture_loader.h"
#include "tests/pluginhost/host_fixture.h"

#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <initializer_list>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Append32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(std::uint8_t(v >> (8 * i)));
}

// A 40-byte information header (colours-used also in colours-important), then `tail`.
Bytes Header(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
             std::uint32_t compression, std::uint32_t sizeImage, std::uint32_t clrUsed,
             const std::vector<std::uint32_t>& tail = {}) {
    Bytes h;
    for (std::uint32_t v :
         {40u, std::uint32_t(width), std::uint32_t(height), 1u | (std::uint32_t(bitCount) << 16),
          compression, sizeImage, 0u, 0u, clrUsed, clrUsed})
        Append32(h, v);
    for (std::uint32_t v : tail)
        Append32(h, v);
    return h;
}

Bytes Words(const std::vector<std::uint32_t>& words) {
    Bytes b;
    for (std::uint32_t v : words)
        Append32(b, v);
    return b;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class PictureLoader : public HostTest {
protected:
    void LoadWith(const QStringList& kinds) {
        for (const QString& kind : kinds)
            AddTestPlugin(kind);
        g_strPluginPath = folder();
        LoadPlugins();
    }
    // A file that the "script" test plug-in turns into exactly these two blocks.
    DibHandle Load(const Bytes& info, const Bytes& bits, int prefix = 0) {
        const Bytes file = Cat({Bytes(std::size_t(prefix), 'j'),
                                {'X', 'K', 'S', 'C', 'R', 'I', 'P', 'T'},
                                Words({std::uint32_t(info.size()), std::uint32_t(bits.size())}),
                                info,
                                bits});
        AddFile("picture.bin",
                QByteArray(reinterpret_cast<const char*>(file.data()), qsizetype(file.size())));
        return LoadPictureByPlugin(folder() + "/picture.bin");
    }
};

TEST_F(PictureLoader, SizesAndCopiesThePluginBlocks) {
    const Bytes spare(1024, 0);
    const struct {
        const char* name;
        Bytes info, bits;
        Bytes expected; // the whole output block after its first 40 bytes
    } rows[] = {
        // 1 bit, width 10: rows of ((10 + 7) / 8 + 3) & ~3 = 4 bytes; 2 entries.
        {"1 bit, two colours used", Header(10, 2, 1, 0, 8, 2, {0x112233, 0x445566}), Bytes(8, 5),
         Cat({Words({0x112233, 0x445566}), Bytes(8, 5), spare})},
        // 8 bits always carry 256 entries: the 239 the block lacks are zero.
        {"8 bits, 17 entries supplied",
         Header(3, 1, 8, 0, 4, 17, std::vector<std::uint32_t>(17, 7)),
         {1, 2, 3, 0},
         Cat({Words(std::vector<std::uint32_t>(17, 7)), Bytes(239 * 4, 0), {1, 2, 3, 0}, spare})},
        {"24 bits, image size 0: 3 rows of (15 + 3) & ~3 bytes", Header(5, 3, 24, 0, 0, 0),
         Bytes(48, 9), Cat({Bytes(48, 9), spare})},
        {"16 bits with masks",
         Header(2, 1, 16, 3, 4, 0, {0xF800, 0x07E0, 0x1F}),
         {1, 2, 3, 4},
         Cat({Words({0xF800, 0x07E0, 0x1F}), {1, 2, 3, 4}, spare})},
        {"plain 16 bits get the 5-5-5 masks",
         Header(2, 1, 16, 0, 4, 0),
         {1, 2, 3, 4},
         Cat({Words({0x7C00, 0x03E0, 0x1F}), {1, 2, 3, 4}, spare})},
        {"plain 32 bits get the 8-8-8 masks",
         Header(1, 1, 32, 0, 4, 0),
         {1, 2, 3, 4},
         Cat({Words({0xFF0000, 0xFF00, 0xFF}), {1, 2, 3, 4}, spare})},
        {"top-down rows are turned over",
         Header(1, -2, 24, 0, 8, 0),
         {1, 2, 3, 0, 4, 5, 6, 0},
         Cat({{4, 5, 6, 0, 1, 2, 3, 0}, spare})},
        // 4 x 4 at 8 bits needs 16 pixel bytes; the block holds 5 and nothing past it is read.
        {"short pixel block",
         Header(4, 4, 8, 0, 0, 0),
         {1, 2, 3, 4, 5},
         Cat({Bytes(1024, 0), {1, 2, 3, 4, 5}, Bytes(11, 0), spare})},
    };
    LoadWith({"script"});
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const DibHandle dib = Load(row.info, row.bits);
        ASSERT_TRUE(dib);
        EXPECT_EQ(Bytes(dib.data() + 40, dib.data() + dib.size()), row.expected);
        EXPECT_EQ(ReadU32(dib.data() + 8), std::uint32_t(std::abs(ReadI32(row.info.data() + 8))));
        EXPECT_EQ(ReadU32(dib.data() + 32), 0u) << "colours used";
        EXPECT_EQ(ReadU32(dib.data() + 36), 0u) << "colours important";
    }
}

TEST_F(PictureLoader, RefusesBlocksItCannotUse) {
    Bytes longHeader = Header(4, 4, 24, 0, 0, 0);
    longHeader[0] = 108; // header size past the end of the block
    const struct {
        const char* name;
        Bytes info;
    } rows[] = {
        {"bit count 2", Header(4, 4, 2, 0, 0, 0)},
        {"negative width", Header(-4, 4, 24, 0, 0, 0)},
        {"image size beyond the limit", Header(4, 4, 24, 0, 0xFFFFFFFF, 0)},
        {"rows beyond the limit", Header(65536, 65536, 32, 0, 0, 0)},
        {"largest width and height", Header(0x7FFFFFFF, -0x7FFFFFFF, 32, 0, 0, 0)},
        {"header shorter than 40 bytes", Bytes(20, 40)},
        {"header size past the block", longHeader},
        // These two size fine but fail the entry check every picture passes.
        {"zero width", Header(0, 4, 24, 0, 0, 0)},
        {"masks without bits", Header(2, 2, 16, 3, 8, 0, {0, 0, 0})},
    };
    LoadWith({"script"});
    for (const auto& row : rows)
        EXPECT_FALSE(Load(row.info, Bytes(64, 0))) << row.name;
}

TEST_F(PictureLoader, ProbesAndPluginOrder) {
    const Bytes info = Header(1, 1, 24, 0, 4, 0);
    const Bytes bits = {1, 2, 3, 0};
    EXPECT_FALSE(Load(info, bits)) << "no plug-ins loaded";
    // "refuse" comes first and fails, so "script" is asked next.
    LoadWith({"refuse", "script"});
    ASSERT_EQ(LoadedNames(), QStringList({"refuse.spi", "script.spi"}));
    EXPECT_TRUE(Load(info, bits));
    EXPECT_TRUE(Load(info, bits, 128)) << "second probe, data from offset 128";
    EXPECT_FALSE(Load(info, bits, 64)) << "neither probe sees the signature";
    EXPECT_FALSE(LoadPictureByPlugin(folder() + "/no such file"));
}

TEST_F(PictureLoader, PluginsThatAreNotLoadedAreNotAsked) {
    // Both would read the file if they were used.
    LoadWith({"badversion", "noinfo", "noexports"});
    EXPECT_FALSE(Load(Header(1, 1, 24, 0, 4, 0), {1, 2, 3, 0}));
}

} // namespace
