// The public bitmap test suite, read through the program's own path (file -> entry check ->
// pixel array) and compared with Qt's bitmap reader, an independent decoder.
#include "image/bmp_file.h"
#include "quant/graph_array.h"

#include <QImage>
#include <bit>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>

namespace {

const std::filesystem::path kSuite = std::filesystem::path(XKORVO_TEST_DATA) / "bmpsuite";

std::vector<std::string> FilesOf(const char* group) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(kSuite / group))
        names.push_back(std::string(group) + "/" + e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Pixels as Qt reads them, 0x00RRGGBB, top row first; empty when Qt cannot read the file.
std::vector<std::uint32_t> QtPixels(const std::string& name) {
    QImage image(QString::fromStdString((kSuite / name).string()));
    if (image.isNull())
        return {};
    image = image.convertToFormat(QImage::Format_RGB32);
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            pixels.push_back(line[x] & 0xFFFFFF);
    }
    return pixels;
}

struct Outcome {
    BmpReadResult read;
    bool unpacked = false;
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
};

Outcome ReadAndUnpack(const std::string& name) {
    Outcome o;
    o.read = DibReadFile((kSuite / name).string());
    if (o.read.error != BmpError::None)
        return o;
    CGraphArray graph;
    graph.SetSource(&o.read.dib);
    o.unpacked = graph.LoadPixels();
    if (o.unpacked) {
        o.width = graph.m_nWidth;
        o.height = graph.m_nHeight;
        o.pixels.assign(graph.m_pPixels, graph.m_pPixels + std::size_t(o.width) * o.height);
    }
    return o;
}

// Files the native reader refuses, and why. Later header versions and top-down rows are read
// by the bitmap plug-in, which hands over a plain bottom-up picture with a 40-byte header.
const std::map<std::string, DibStatus> kRefused = {
    {"g/pal8topdown.bmp", DibStatus::TooLarge}, // top-down rows
    {"g/pal8v4.bmp", DibStatus::BadHeader},     // later header version
    {"g/pal8v5.bmp", DibStatus::BadHeader},     // later header version
};

// Read and shown, but only pictures with an information header are unpacked and reduced.
const std::set<std::string> kCoreHeader = {"g/pal8os2.bmp"};

TEST(BmpSuite, GoodFilesMatchQtOrAreRefusedForAReason) {
    for (const std::string& name : FilesOf("g")) {
        SCOPED_TRACE(name);
        Outcome o = ReadAndUnpack(name);
        if (auto it = kRefused.find(name); it != kRefused.end()) {
            EXPECT_EQ(o.read.error, BmpError::Invalid);
            EXPECT_EQ(o.read.status, it->second);
            continue;
        }
        ASSERT_EQ(o.read.error, BmpError::None) << DibStatusText(o.read.status);
        if (kCoreHeader.count(name)) {
            EXPECT_FALSE(o.unpacked);
            continue;
        }
        ASSERT_TRUE(o.unpacked);
        EXPECT_EQ(o.pixels, QtPixels(name));
    }
}

// Questionable and bad files that are refused, with the refusal: a status of the entry check,
// or Unpack when the file is read but the pixel array refuses its run-length stream.
constexpr DibStatus Unpack = DibStatus::Ok;
const std::map<std::string, DibStatus> kRefusedOthers = {
    {"q/pal1huffmsb.bmp", DibStatus::BadHeader},         // 64-byte header, fax coding
    {"q/pal2.bmp", DibStatus::BadBitCount},              // 2 bits per pixel
    {"q/pal2color.bmp", DibStatus::BadBitCount},         // 2 bits per pixel
    {"q/pal8os2sp.bmp", DibStatus::Truncated},           // core header with a short table
    {"q/pal8os2v2-16.bmp", DibStatus::BadHeader},        // 16-byte header
    {"q/pal8os2v2-sz.bmp", DibStatus::BadHeader},        // 64-byte header
    {"q/pal8os2v2.bmp", DibStatus::BadHeader},           // 64-byte header
    {"q/pal8oversizepal.bmp", DibStatus::BadColorTable}, // 300 colours at 8 bits
    {"q/rgb24jpeg.bmp", DibStatus::BadHeader},
    {"q/rgb24lprof.bmp", DibStatus::BadHeader},
    {"q/rgb24png.bmp", DibStatus::BadHeader},
    {"q/rgb24prof.bmp", DibStatus::BadHeader},
    {"q/rgb24prof2.bmp", DibStatus::BadHeader},
    {"q/rgb24rle24.bmp", DibStatus::BadHeader},
    {"q/rgb32-xbgr.bmp", DibStatus::BadHeader},
    {"q/rgb32h52.bmp", DibStatus::BadHeader},
    {"q/rgba16-1924.bmp", DibStatus::BadHeader},
    {"q/rgba16-4444.bmp", DibStatus::BadHeader},
    {"q/rgba16-5551.bmp", DibStatus::BadHeader},
    {"q/rgba32-1.bmp", DibStatus::BadHeader},
    {"q/rgba32-1010102.bmp", DibStatus::BadHeader},
    {"q/rgba32-2.bmp", DibStatus::BadHeader},
    {"q/rgba32-61754.bmp", DibStatus::BadHeader},
    {"q/rgba32-81284.bmp", DibStatus::BadHeader},
    {"q/rgba32abf.bmp", DibStatus::BadCompression}, // alpha bit-fields
    {"q/rgba32h56.bmp", DibStatus::BadHeader},
    {"q/rgba64.bmp", DibStatus::BadBitCount},
    {"b/badbitcount.bmp", DibStatus::BadBitCount},
    {"b/badheadersize.bmp", DibStatus::BadHeader},
    {"b/badpalettesize.bmp", DibStatus::BadColorTable},
    {"b/badplanes.bmp", DibStatus::BadHeader},
    {"b/badrle.bmp", Unpack},
    {"b/badrle4.bmp", Unpack},
    {"b/badrle4bis.bmp", Unpack},
    {"b/badrle4ter.bmp", Unpack},
    {"b/badrlebis.bmp", Unpack},
    {"b/badrleter.bmp", Unpack},
    {"b/badwidth.bmp", DibStatus::TooLarge},
    {"b/reallybig.bmp", DibStatus::TooLarge},
    {"b/rgb16-880.bmp", DibStatus::BadCompression}, // a zero mask
    {"b/rletopdown.bmp", DibStatus::TooLarge},
    {"b/shortfile.bmp", DibStatus::Truncated},
};

// Run-length streams that skip pixels: those take colour-table entry 0 here, while Qt fills
// them its own way. Every other pixel must agree.
const std::set<std::string> kSkippedPixels = {"q/pal4rlecut.bmp", "q/pal4rletrns.bmp",
                                              "q/pal8rlecut.bmp", "q/pal8rletrns.bmp"};

// Files with colour fields wider than 8 bits, which Qt 6.4 does not narrow correctly. Fields
// of up to 8 bits must match Qt; a wider field is compared with the same picture stored at 24
// bits, within one level (its top 8 bits against the file generator's rounding).
const std::set<std::string> kWideFields = {"q/rgb16-3103.bmp", "q/rgb32-111110.bmp",
                                           "q/rgb32-7187.bmp"};

bool FieldsAgree(const std::uint8_t* dib, std::uint32_t ours, std::uint32_t qt,
                 std::uint32_t reference) {
    for (int channel = 0; channel < 3; ++channel) {
        const bool wide = std::popcount(ReadU32(dib + 40 + 4 * channel)) > 8;
        const int shift = 16 - 8 * channel;
        const int d = int((ours >> shift) & 0xFF) - int(((wide ? reference : qt) >> shift) & 0xFF);
        if (d < -int(wide) || d > int(wide))
            return false;
    }
    return true;
}

TEST(BmpSuite, OtherFilesLoadCorrectlyOrAreRefused) {
    std::vector<std::string> names = FilesOf("q");
    for (const std::string& b : FilesOf("b"))
        names.push_back(b);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        Outcome o = ReadAndUnpack(name);
        if (auto it = kRefusedOthers.find(name); it != kRefusedOthers.end()) {
            if (it->second == Unpack) {
                EXPECT_EQ(o.read.error, BmpError::None);
                EXPECT_FALSE(o.unpacked);
            } else {
                EXPECT_EQ(o.read.error, BmpError::Invalid);
                EXPECT_EQ(o.read.status, it->second);
            }
            continue;
        }
        ASSERT_EQ(o.read.error, BmpError::None) << DibStatusText(o.read.status);
        if (!DibIsInfoHeader(o.read.dib.data())) {
            EXPECT_FALSE(o.unpacked); // core header: shown, not unpacked
            continue;
        }
        ASSERT_TRUE(o.unpacked);
        if (kWideFields.count(name)) {
            const Outcome reference = ReadAndUnpack("g/rgb24.bmp");
            const std::vector<std::uint32_t> qt = QtPixels(name);
            ASSERT_EQ(o.pixels.size(), reference.pixels.size());
            ASSERT_EQ(o.pixels.size(), qt.size());
            for (std::size_t i = 0; i < o.pixels.size(); ++i)
                ASSERT_TRUE(FieldsAgree(o.read.dib.data(), o.pixels[i], qt[i], reference.pixels[i]))
                    << i;
            continue;
        }
        const std::vector<std::uint32_t> qt = QtPixels(name);
        ASSERT_EQ(o.pixels.size(), qt.size());
        if (kSkippedPixels.count(name)) {
            const std::uint32_t entry0 = ReadU32(DibGetColorTable(o.read.dib.data())) & 0xFFFFFF;
            std::size_t skipped = 0;
            for (std::size_t i = 0; i < qt.size(); ++i) {
                if (o.pixels[i] != qt[i]) {
                    ASSERT_EQ(o.pixels[i], entry0) << i;
                    ++skipped;
                }
            }
            EXPECT_LT(skipped, qt.size() / 2);
            continue;
        }
        EXPECT_EQ(o.pixels, qt);
    }
}

} // namespace
