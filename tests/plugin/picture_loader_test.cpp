#include "plugin/picture_loader.h"
#include "tests/plugin/host_fixture.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutU32(Bytes& b, std::size_t at, std::uint32_t v) {
    if (b.size() < at + 4)
        b.resize(at + 4);
    for (int i = 0; i < 4; ++i)
        b[at + i] = std::uint8_t(v >> (8 * i));
}

std::uint32_t GetU32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}

// A 40-byte information header followed by `tail` (colour entries or masks).
Bytes Header(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
             std::uint32_t compression, std::uint32_t sizeImage, std::uint32_t clrUsed,
             const std::vector<std::uint32_t>& tail = {}) {
    Bytes h(40, 0);
    PutU32(h, 0, 40);
    PutU32(h, 4, std::uint32_t(width));
    PutU32(h, 8, std::uint32_t(height));
    h[12] = 1;
    h[14] = std::uint8_t(bitCount);
    PutU32(h, 16, compression);
    PutU32(h, 20, sizeImage);
    PutU32(h, 32, clrUsed);
    PutU32(h, 36, clrUsed);
    for (std::uint32_t v : tail)
        PutU32(h, h.size(), v);
    return h;
}

// A file the "script" test plug-in turns into exactly these two blocks.
QByteArray Script(const Bytes& info, const Bytes& bits, int prefix = 0) {
    QByteArray file(prefix, 'j');
    file += "XKSCRIPT";
    Bytes lengths;
    PutU32(lengths, 0, std::uint32_t(info.size()));
    PutU32(lengths, 4, std::uint32_t(bits.size()));
    file.append(reinterpret_cast<const char*>(lengths.data()), 8);
    file.append(reinterpret_cast<const char*>(info.data()), qsizetype(info.size()));
    file.append(reinterpret_cast<const char*>(bits.data()), qsizetype(bits.size()));
    return file;
}

class PictureLoader : public HostTest {
protected:
    void LoadWith(const QStringList& kinds) {
        for (const QString& kind : kinds)
            AddTestPlugin(kind);
        g_strPluginPath = folder();
        LoadPlugins();
    }
    DibHandle Load(const QByteArray& file) {
        AddFile("picture.bin", file);
        return LoadPictureByPlugin(folder() + "/picture.bin");
    }
};

TEST_F(PictureLoader, SizesAndCopiesThePluginBlocks) {
    const Bytes row4 = {1, 2, 3, 4};
    const struct {
        const char* name;
        Bytes info;
        Bytes bits;
        std::size_t size;        // pixels + header and table + 1024
        std::size_t pixelOffset; // header + table
    } rows[] = {
        // 1 bit, width 10: rows of ((10 + 7) / 8 + 3) & ~3 = 4 bytes; table of 2 entries.
        {"1 bit, two colours used", Header(10, 2, 1, 0, 8, 2, {0x112233, 0x445566}), Bytes(8, 0x5A),
         8 + 48 + 1024, 48},
        // 8 bits always carry 256 entries, whatever colours-used says.
        {"8 bits, 17 entries supplied",
         Header(3, 1, 8, 0, 4, 17, std::vector<std::uint32_t>(17, 7)), row4, 4 + 40 + 1024 + 1024,
         1064},
        {"24 bits, image size 0", Header(5, 3, 24, 0, 0, 0), Bytes(48, 9), 48 + 40 + 1024, 40},
        {"16 bits with masks", Header(2, 2, 16, 3, 8, 0, {0xF800, 0x07E0, 0x001F}), Bytes(8, 3),
         8 + 52 + 1024, 52},
        {"32 bits with masks", Header(1, 1, 32, 3, 4, 0, {0xFF0000, 0xFF00, 0xFF}), row4,
         4 + 52 + 1024, 52},
    };
    LoadWith({"script"});
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const DibHandle dib = Load(Script(row.info, row.bits));
        ASSERT_TRUE(dib);
        ASSERT_EQ(dib.size(), row.size);
        const std::uint8_t* p = dib.data();
        EXPECT_EQ(GetU32(p + 32), 0u) << "colours used";
        EXPECT_EQ(GetU32(p + 36), 0u) << "colours important";
        const std::size_t tableBytes = std::min(row.info.size(), row.pixelOffset) - 40;
        EXPECT_TRUE(std::equal(row.info.begin() + 40, row.info.begin() + 40 + tableBytes, p + 40));
        EXPECT_TRUE(std::all_of(p + 40 + tableBytes, p + row.pixelOffset, [](std::uint8_t b) {
            return b == 0;
        })) << "missing colour entries are zero";
        EXPECT_TRUE(std::equal(row.bits.begin(), row.bits.end(), p + row.pixelOffset));
        EXPECT_TRUE(
            std::all_of(p + row.size - 1024, p + row.size, [](std::uint8_t b) { return b == 0; }));
    }
}

TEST_F(PictureLoader, PlainSixteenBitsGetStandardMasks) {
    LoadWith({"script"});
    const DibHandle dib = Load(Script(Header(2, 1, 16, 0, 4, 0), {1, 2, 3, 4}));
    ASSERT_TRUE(dib);
    const std::uint8_t* p = dib.data();
    EXPECT_EQ(GetU32(p + 16), 3u);
    EXPECT_EQ(GetU32(p + 40), 0x7C00u);
    EXPECT_EQ(GetU32(p + 44), 0x03E0u);
    EXPECT_EQ(GetU32(p + 48), 0x001Fu);
    EXPECT_EQ(p[52], 1);
}

TEST_F(PictureLoader, TopDownRowsAreTurnedBottomUp) {
    LoadWith({"script"});
    // Two rows of one 24-bit pixel each, padded to 4 bytes; the top row comes first.
    const DibHandle dib = Load(Script(Header(1, -2, 24, 0, 8, 0), {1, 2, 3, 0, 4, 5, 6, 0}));
    ASSERT_TRUE(dib);
    const std::uint8_t* p = dib.data();
    EXPECT_EQ(GetU32(p + 8), 2u);
    EXPECT_EQ(Bytes(p + 40, p + 48), Bytes({4, 5, 6, 0, 1, 2, 3, 0}));
}

TEST_F(PictureLoader, ShortPixelBlockIsNeverReadPastItsEnd) {
    LoadWith({"script"});
    // 4 x 4 at 8 bits needs 16 pixel bytes; the block holds 5.
    const DibHandle dib = Load(Script(Header(4, 4, 8, 0, 0, 0), {1, 2, 3, 4, 5}));
    ASSERT_TRUE(dib);
    ASSERT_EQ(dib.size(), 16u + 40 + 1024 + 1024);
    const std::uint8_t* bits = dib.data() + 1064;
    EXPECT_EQ(Bytes(bits, bits + 8), Bytes({1, 2, 3, 4, 5, 0, 0, 0}));
}

TEST_F(PictureLoader, RefusesBlocksItCannotSize) {
    const struct {
        const char* name;
        Bytes info;
    } rows[] = {
        {"bit count 2", Header(4, 4, 2, 0, 0, 0)},
        // The next two size fine but fail the entry check every picture passes.
        {"zero width", Header(0, 4, 24, 0, 0, 0)},
        {"masks without bits", Header(2, 2, 16, 3, 8, 0, {0, 0, 0})},
        {"negative width", Header(-4, 4, 24, 0, 0, 0)},
        {"image size beyond the limit", Header(4, 4, 24, 0, 0xFFFFFFFF, 0)},
        {"rows beyond the limit", Header(65536, 65536, 32, 0, 0, 0)},
        {"largest width and height", Header(0x7FFFFFFF, -0x7FFFFFFF, 32, 0, 0, 0)},
        {"header shorter than 40 bytes",
         [] {
             Bytes h = Header(4, 4, 24, 0, 0, 0);
             h.resize(20);
             return h;
         }()},
        {"header size past the block",
         [] {
             Bytes h = Header(4, 4, 24, 0, 0, 0);
             PutU32(h, 0, 108);
             return h;
         }()},
    };
    LoadWith({"script"});
    for (const auto& row : rows)
        EXPECT_FALSE(Load(Script(row.info, Bytes(64, 0)))) << row.name;
}

TEST_F(PictureLoader, SecondProbeReadsFrom128BytesIn) {
    LoadWith({"script"});
    EXPECT_TRUE(Load(Script(Header(1, 1, 24, 0, 4, 0), {1, 2, 3, 0}, 128)));
    // Anywhere else the plug-in does not recognise the file.
    EXPECT_FALSE(Load(Script(Header(1, 1, 24, 0, 4, 0), {1, 2, 3, 0}, 64)));
}

TEST_F(PictureLoader, NextPluginIsTriedWhenTheFirstFails) {
    LoadWith({"refuse", "script"});
    ASSERT_EQ(LoadedNames(), QStringList({"refuse.spi", "script.spi"}));
    EXPECT_TRUE(Load(Script(Header(1, 1, 24, 0, 4, 0), {1, 2, 3, 0})));
}

TEST_F(PictureLoader, NothingFromPluginsThatAreNotUsable) {
    // The bad-version and no-info plug-ins would accept anything and deliver a white pixel.
    LoadWith({"badversion", "noinfo", "noexports"});
    EXPECT_FALSE(Load("anything at all"));
}

TEST_F(PictureLoader, NothingWithoutPluginsOrFile) {
    EXPECT_FALSE(Load(Script(Header(1, 1, 24, 0, 4, 0), {1, 2, 3, 0})));
    LoadWith({"script"});
    EXPECT_FALSE(LoadPictureByPlugin(folder() + "/no such file"));
}

} // namespace
