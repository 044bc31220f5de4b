// The public bitmap test suite, read through the program's own path (file -> entry check ->
// pixel array) and compared with Qt's bitmap reader, an independent decoder.
#include "image/bmp_file.h"
#include "quant/pixel_array.h"

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
    CPixelArray graph;
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

// Hostile files that must be refused: by the entry check, or by the pixel array when their
// run-length streams run past a row end or the last row. Other questionable files (later header
// versions, unusual bit counts) may be refused too; whatever loads must be right.
const std::set<std::string> kMustRefuse = {
    "q/pal8os2sp.bmp",      "q/pal8oversizepal.bmp", "b/badbitcount.bmp", "b/badheadersize.bmp",
    "b/badpalettesize.bmp", "b/badplanes.bmp",       "b/badrle.bmp",      "b/badrle4.bmp",
    "b/badrle4bis.bmp",     "b/badrle4ter.bmp",      "b/badrlebis.bmp",   "b/badrleter.bmp",
    "b/badwidth.bmp",       "b/reallybig.bmp",       "b/rgb16-880.bmp",   "b/rletopdown.bmp",
    "b/shortfile.bmp"};

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

// The good files ("g/") load, except those refused for a reason above; of the questionable
// ("q/") and bad ("b/") ones, whatever loads must be right.
TEST(BmpSuite, FilesMatchQtOrAreRefused) {
    std::vector<std::string> names = FilesOf("g");
    for (const char* group : {"q", "b"})
        for (const std::string& name : FilesOf(group))
            names.push_back(name);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const bool good = name[0] == 'g';
        Outcome o = ReadAndUnpack(name);
        if (auto it = kRefused.find(name); it != kRefused.end()) {
            EXPECT_EQ(o.read.error, BmpError::Invalid);
            EXPECT_EQ(o.read.status, it->second);
            continue;
        }
        ASSERT_TRUE(!good || o.read.error == BmpError::None) << DibStatusText(o.read.status);
        EXPECT_FALSE(kMustRefuse.count(name) && o.unpacked) << "a hostile file was unpacked";
        if (!o.unpacked) {
            EXPECT_TRUE(!good || kCoreHeader.count(name)) << "a good file must unpack";
            EXPECT_FALSE(o.read.error == BmpError::None && DibIsInfoHeader(o.read.dib.data()) &&
                         ReadU32(o.read.dib.data() + dibfield::Compression) == 0)
                << "an uncompressed picture that passed the entry check must unpack";
            continue;
        }
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
