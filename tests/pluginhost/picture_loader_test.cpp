#include "pluginhost/picture_loader.h"
#include "tests/pluginhost/host_fixture.h"
#include "tests/support/dib_builder.h"

#include <QLibrary>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A 40-byte information header (colours-used also in colours-important), then `tail`.
Bytes Header(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
             std::uint32_t compression, std::uint32_t sizeImage, std::uint32_t clrUsed,
             const std::vector<std::uint32_t>& tail = {}) {
    return Concat(
        HeaderBytes({40, width, height, 1, bitCount, compression, sizeImage, clrUsed, clrUsed}),
        Words(tail));
}

// What the "watched" plug-ins report of their calls from every thread. A decode stays inside
// until another call arrives (for a quarter of a second at most), so that calls the host lets
// overlap do overlap.
struct CallCounts {
    int calls = 0;
    int decoding[8] = {};       // decodes running, by plug-in kind
    int mostDecodes = 0;        // the most decodes of one plug-in at once
    int mostPlugins = 0;        // the most plug-ins decoding at once
    int probesDuringDecode = 0; // IsSupported calls while the same plug-in decodes
};
std::mutex g_watchLock;
std::condition_variable g_called;
CallCounts g_counts;

void WatchCall(int kind, int decode, int entering) {
    std::unique_lock hold(g_watchLock);
    CallCounts& c = g_counts;
    if (!entering) {
        c.decoding[kind] -= decode;
        return;
    }
    const int seen = ++c.calls;
    g_called.notify_all();
    if (!decode) {
        c.probesDuringDecode += c.decoding[kind] > 0;
        return;
    }
    c.mostDecodes = std::max(c.mostDecodes, ++c.decoding[kind]);
    c.mostPlugins =
        std::max(c.mostPlugins, int(std::count_if(std::begin(c.decoding), std::end(c.decoding),
                                                  [](int n) { return n > 0; })));
    g_called.wait_for(hold, std::chrono::milliseconds(250), [&] { return c.calls != seen; });
}

class PictureLoader : public HostTest {
protected:
    void LoadWith(const QStringList& kinds) {
        for (const QString& kind : kinds)
            AddTestPlugin(kind);
        LoadFolder();
    }
    // A file that the "script" test plug-in turns into exactly these two blocks.
    PluginPicture Load(const Bytes& info, const Bytes& bits, int prefix = 0) {
        Write("picture.bin", info, bits, prefix);
        return LoadPictureByPlugin(m_host, folder() + "/picture.bin");
    }
    void Write(const QString& name, const Bytes& info, const Bytes& bits, int prefix = 0,
               const char* signature = "XKSCRIPT") {
        const Bytes file =
            Concat({Bytes(std::size_t(prefix), 'j'), Bytes(signature, signature + 8),
                    Words({std::uint32_t(info.size()), std::uint32_t(bits.size())}), info, bits});
        AddFile(name,
                QByteArray(reinterpret_cast<const char*>(file.data()), qsizetype(file.size())));
    }
};

TEST_F(PictureLoader, SizesAndCopiesThePluginBlocks) {
    using W = std::vector<std::uint32_t>;
    const struct {
        const char* name;
        Bytes info, bits;
        Bytes expected; // the output block after its first 40 bytes, before 1024 spare bytes
    } rows[] = {
        // clang-format off
        // 1 bit, width 10: rows of ((10 + 7) / 8 + 3) & ~3 = 4 bytes; 2 entries.
        {"1 bit, two colours used", Header(10, 2, 1, 0, 8, 2, {0x112233, 0x445566}), Bytes(8, 5),
         Concat({Words({0x112233, 0x445566}), Bytes(8, 5)})},
        // 8 bits always carry 256 entries: the 239 the block lacks are zero.
        {"8 bits, 17 entries supplied", Header(3, 1, 8, 0, 4, 17, W(17, 7)), {1, 2, 3, 0},
         Concat({Words(W(17, 7)), Bytes(239 * 4, 0), {1, 2, 3, 0}})},
        // Only the declared entries count, whatever else the block holds.
        {"8 bits, 2 of 4 supplied entries used", Header(3, 1, 8, 0, 4, 2, {5, 6, 7, 8}),
         {1, 2, 3, 0}, Concat({Words({5, 6}), Bytes(254 * 4, 0), {1, 2, 3, 0}})},
        {"24 bits, image size 0: 3 rows of (15 + 3) & ~3 bytes", Header(5, 3, 24, 0, 0, 0),
         Bytes(48, 9), Bytes(48, 9)},
        {"16 bits with masks", Header(2, 1, 16, 3, 4, 0, {0xF800, 0x07E0, 0x1F}), {1, 2, 3, 4},
         Concat({Words({0xF800, 0x07E0, 0x1F}), {1, 2, 3, 4}})},
        {"plain 16 bits get the 5-5-5 masks", Header(2, 1, 16, 0, 4, 0), {1, 2, 3, 4},
         Concat({Words({0x7C00, 0x03E0, 0x1F}), {1, 2, 3, 4}})},
        {"plain 32 bits get the 8-8-8 masks", Header(1, 1, 32, 0, 4, 0), {1, 2, 3, 4},
         Concat({Words({0xFF0000, 0xFF00, 0xFF}), {1, 2, 3, 4}})},
        {"top-down rows are turned over", Header(1, -2, 24, 0, 8, 0), {1, 2, 3, 0, 4, 5, 6, 0},
         {4, 5, 6, 0, 1, 2, 3, 0}},
        {"pixel bytes past the rows are not copied", Header(1, 1, 24, 0, 0, 0),
         {1, 2, 3, 0, 9, 9, 9, 9}, {1, 2, 3, 0}},
        // clang-format on
    };
    LoadWith({"script"});
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const DibHandle dib = Load(row.info, row.bits).dib;
        ASSERT_TRUE(dib);
        EXPECT_EQ(Bytes(dib.data() + 40, dib.data() + dib.size()),
                  Concat({row.expected, Bytes(1024, 0)}));
        EXPECT_EQ(ReadU32(dib.data() + 8), std::uint32_t(std::abs(ReadI32(row.info.data() + 8))));
        EXPECT_EQ(ReadU32(dib.data() + 32), 0u) << "colours used";
        EXPECT_EQ(ReadU32(dib.data() + 36), 0u) << "colours important";
    }
}

TEST_F(PictureLoader, RefusesBlocksItCannotUse) {
    Bytes longHeader = Header(4, 4, 24, 0, 0, 0);
    longHeader[0] = 108; // header size past the end of the block
    constexpr PluginFailure unusable = PluginFailure::Unusable;
    constexpr PluginFailure tooLarge = PluginFailure::TooLarge;
    const struct {
        const char* name;
        Bytes info;
        PluginFailure failure;
        Bytes bits = Bytes(64, 0);
    } rows[] = {
        {"bit count 2", Header(4, 4, 2, 0, 0, 0), unusable},
        {"negative width", Header(-4, 4, 24, 0, 0, 0), unusable},
        {"image size beyond the limit", Header(4, 4, 24, 0, 0xFFFFFFFF, 0), tooLarge},
        {"rows beyond the limit", Header(65536, 65536, 32, 0, 0, 0), tooLarge},
        {"largest width and height", Header(0x7FFFFFFF, -0x7FFFFFFF, 32, 0, 0, 0), tooLarge},
        // One row more than 2^28 pixels, in a block of only 33 MB.
        {"pixels beyond the limit", Header(16384, 16385, 1, 0, 0, 0), tooLarge},
        {"header shorter than 40 bytes", Bytes(20, 40), unusable},
        {"header size past the block", longHeader, unusable},
        // Blocks short by more than the allocator rounds a block up: the usable size, all the
        // host can see of a block, is below what the header declares.
        {"pixel block shorter than its rows", Header(100, 100, 8, 0, 0, 0), unusable, Bytes(10, 0)},
        {"top-down pixel block with half its rows", Header(4, -4, 24, 0, 0, 0), unusable,
         Bytes(24, 0)},
        {"run-length codes shorter than the image size", Header(4, 4, 8, 1, 200, 0), unusable},
        {"run-length picture without its image size", Header(4, 4, 8, 1, 0, 0), unusable},
        // These two size fine but fail the entry check every picture passes.
        {"zero width", Header(0, 4, 24, 0, 0, 0), unusable},
        {"masks without bits", Header(2, 2, 16, 3, 8, 0, {0, 0, 0}), unusable},
    };
    LoadWith({"script"});
    for (const auto& row : rows) {
        const PluginPicture picture = Load(row.info, row.bits);
        EXPECT_FALSE(picture.dib) << row.name;
        EXPECT_EQ(picture.failure, row.failure) << row.name;
    }
}

TEST_F(PictureLoader, ProbesAndPluginOrder) {
    const Bytes info = Header(1, 1, 24, 0, 4, 0);
    const Bytes bits = {1, 2, 3, 0};
    EXPECT_FALSE(Load(info, bits).dib) << "no plug-ins loaded";
    // "refuse" comes first and fails, so "script" is asked next.
    LoadWith({"refuse", "script"});
    ASSERT_EQ(LoadedNames(), QStringList({"refuse.spi", "script.spi"}));
    EXPECT_TRUE(Load(info, bits).dib);
    EXPECT_TRUE(Load(info, bits, 128).dib) << "second probe, data from offset 128";
    EXPECT_FALSE(Load(info, bits, 64).dib) << "neither probe sees the signature";
    EXPECT_FALSE(LoadPictureByPlugin(m_host, folder() + "/no such file").dib);
}

TEST_F(PictureLoader, SaysWhyNoPluginDeliveredThePicture) {
    const BmpReadResult notBitmap{{}, BmpError::NotBitmap, DibStatus::Ok};
    const struct {
        const char* name;
        int code; // the "refuse" plug-in's result, given as the file's info length
        int prefix;
        PluginFailure failure;
        const char* text;
    } rows[] = {
        {"no plug-in recognises the file", SPI_ERR_MEMORY, 64, PluginFailure::NotAccepted,
         "not a picture any plug-in or the BMP reader can read"},
        // 2^28 pixels is the limit of every picture.
        {"a plug-in finds the picture too large", SPI_ERR_MEMORY, 0, PluginFailure::TooLarge,
         "the picture is too large: the limit is 256 megapixels (268435456 pixels)"},
        {"a plug-in finds the data corrupt", SPI_ERR_FORMAT, 0, PluginFailure::Corrupt, "corrupt"},
    };
    LoadWith({"refuse"});
    for (const auto& row : rows) {
        const PluginFailure failure = Load(Bytes(std::size_t(row.code), 0), {}, row.prefix).failure;
        EXPECT_EQ(failure, row.failure) << row.name;
        const std::string text = PictureFailureText(failure, notBitmap);
        EXPECT_NE(text.find(row.text), std::string::npos) << row.name << ": " << text;
    }
    // The BMP reader's reason counts only when no plug-in recognised the file.
    const BmpReadResult badHeader{{}, BmpError::Invalid, DibStatus::BadHeader};
    EXPECT_EQ(PictureFailureText(PluginFailure::NotAccepted, badHeader),
              "unusable bitmap: unsupported bitmap header");
    EXPECT_EQ(PictureFailureText(PluginFailure::Corrupt, badHeader),
              PictureFailureText(PluginFailure::Corrupt, notBitmap));
}

TEST_F(PictureLoader, EachPluginDecodesForOneThreadAtATime) {
    LoadWith({"watched", "watchedb"});
    g_counts = {};
    for (const LoadedPlugin& plugin : m_host.Loaded()) {
        auto watch = reinterpret_cast<void (*)(void (*)(int, int, int))>(
            plugin.library->resolve("TestPluginWatch"));
        ASSERT_TRUE(watch);
        watch(WatchCall);
    }
    const Bytes info = Header(1, 1, 24, 0, 4, 0);
    Write("a.bin", info, {1, 2, 3, 0});
    Write("b.bin", info, {1, 2, 3, 0}, 0, "XKSCRIPB");
    // Four threads load the files of both plug-ins in turn, as a parallel batch does.
    std::atomic<int> loaded = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int k = 0; k < 4; ++k)
                loaded +=
                    bool(LoadPictureByPlugin(m_host, folder() + ((t + k) % 2 ? "/a.bin" : "/b.bin"))
                             .dib);
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(loaded, 16);
    EXPECT_EQ(g_counts.mostDecodes, 1) << "a plug-in decoded for two threads at once";
    EXPECT_EQ(g_counts.mostPlugins, 2) << "two plug-ins never decoded side by side";
    EXPECT_GT(g_counts.probesDuringDecode, 0) << "probing waited for a decode to end";
}

// Loaded on demand, the plug-ins are asked in the same order, and those after the one that reads
// the file stay unloaded until a file needs them; one that cannot be loaded is passed over.
TEST_F(PictureLoader, LoadsPluginsOnlyWhenAPictureReachesThem) {
    LoadWith({"badversion", "refuse", "script"});
    ASSERT_TRUE(QFile::copy(folder() + "/refuse.spi", folder() + "/zlast.spi"));
    m_host.LoadOnDemand();
    EXPECT_TRUE(LoadedNames().isEmpty());
    EXPECT_TRUE(Load(Header(1, 1, 24, 0, 4, 0), {1, 2, 3, 0}).dib);
    EXPECT_EQ(LoadedNames(), QStringList({"refuse.spi", "script.spi"}));
    Write("other.bin", {}, {}, 0, "NOTMINE!");
    EXPECT_FALSE(LoadPictureByPlugin(m_host, folder() + "/other.bin").dib);
    EXPECT_EQ(LoadedNames(), QStringList({"refuse.spi", "script.spi", "zlast.spi"}));
}

TEST_F(PictureLoader, PluginsThatAreNotLoadedAreNotAsked) {
    // Both would read the file if they were used.
    LoadWith({"badversion", "noinfo", "noexports"});
    EXPECT_FALSE(Load(Header(1, 1, 24, 0, 4, 0), {1, 2, 3, 0}).dib);
}

} // namespace
