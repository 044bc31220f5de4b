// End-to-end tests of xkorvo-cli's outputs and inputs beyond BMP: the format by extension or
// --format, given palettes, palette files out, quality figures, standard input and output.
#include "export/palette_file.h"
#include "image/bmp_file.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/dib_builder.h"

namespace fs = std::filesystem;

namespace {

using clitest::ReadText;
using clitest::Result;

class CliExport : public clitest::FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        // Enough colours to need reducing.
        std::vector<std::uint32_t> pixels;
        for (std::uint32_t y = 0; y < 24; ++y)
            for (std::uint32_t x = 0; x < 40; ++x)
                pixels.push_back((x * 6) << 16 | (y * 10) << 8 | ((x * y) & 0xFF));
        DibHandle dib = MakeDib24(40, 24, pixels);
        m_input = Path("in.bmp");
        EXPECT_EQ(DibSaveFile(dib, m_input), SaveResult::Ok);
    }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    std::string m_input;
};

// The format a file's first bytes say it is.
std::string Signature(const std::string& bytes) {
    if (bytes.rfind("\x89PNG", 0) == 0)
        return "png";
    if (bytes.rfind("GIF8", 0) == 0)
        return "gif";
    if (bytes.rfind("BM", 0) == 0)
        return "bmp";
    return "?";
}

TEST_F(CliExport, FormatFollowsTheExtensionOrTheFormatOption) {
    struct Row {
        std::vector<std::string> args;
        std::string written, format;
    };
    // "@name" stands for the file `name` in the test's folder.
    const Row rows[] = {
        {{"@out.PNG"}, "out.PNG", "png"},
        {{"@out.Gif"}, "out.Gif", "gif"},
        {{"@out.jpg"}, "out.jpg", "bmp"},
        {{"@out"}, "out", "bmp"},
        {{"@out.bmp", "-f", "png"}, "out.bmp", "png"},
        {{"@out.png", "--format=bmp"}, "out.png", "bmp"},
        {{"-o", "@dir", "-f", "GIF"}, "dir/in.gif", "gif"},
        {{"-o", "@dir"}, "dir/in.bmp", "bmp"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.written);
        std::vector<std::string> args{"-q", "-c", "16", m_input};
        for (const auto& a : row.args)
            args.push_back(a[0] == '@' ? Path(a.substr(1)) : a);
        const Result r = Run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Signature(ReadText(Path(row.written))), row.format);
    }
}

TEST_F(CliExport, GivenPaletteColoursOnlyInTheirOrderAndPaletteOut) {
    const std::string palette = Path("given.hex");
    std::ofstream(palette) << "ff0000\n000000\n00ff00\n0000ff\nffffff\n";
    const std::vector<std::uint32_t> colors = {0xFF0000, 0x000000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    for (const char* dither : {"none", "diffusion", "cartoon"}) {
        SCOPED_TRACE(dither);
        const Result r = Run({"-p", palette, "-d", dither, "-t", "upper-left", "--palette-out",
                              Path("out.gpl"), m_input, Path("out.bmp")});
        ASSERT_EQ(r.status, 0) << r.err;
        const BmpReadResult read = DibReadFile(Path("out.bmp"));
        ASSERT_EQ(read.error, BmpError::None);
        const std::uint8_t* h = read.dib.data();
        ASSERT_EQ(DibGetColorCount(h), 5);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(ReadU32(DibGetColorTable(h) + 4 * i) & 0xFFFFFF, colors[i]);
        // 4 bits a pixel: every index must name one of the five entries.
        const std::size_t stride = DibRowStride(4, 40);
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 40; ++x) {
                const std::uint8_t byte = DibGetBits(h)[stride * y + x / 2];
                ASSERT_LT(x % 2 == 0 ? byte >> 4 : byte & 15, 5);
            }
        EXPECT_EQ(ReadPaletteFile(Path("out.gpl")).palette.colors, colors);
    }
    // A picture of few colours serves as a palette too.
    const Result r = Run({"-q", "-p", Path("out.bmp"), m_input, Path("again.bmp")});
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(CliExport, UsageErrorsOfTheNewOptions) {
    const std::string palette = Path("given.hex");
    std::ofstream(palette) << "ff0000\n";
    const std::vector<std::vector<std::string>> rows = {
        {"-p", palette, "-c", "16", m_input, "o.bmp"},
        {"-p", palette, "--add16", m_input, "o.bmp"},
        {"-p", palette, "--output-precision", "444", m_input, "o.bmp"},
        {"--input-bits", "6", "-p", palette, m_input, "o.bmp"},
        {"--palette-out", "x.txt", m_input, "o.bmp"},
        {"--palette-out", "x.gpl", "-o", "dir", m_input},
        {"--gif-variant", "88a", m_input, "o.gif"},
        {"-f", "jpg", m_input, "o.bmp"},
        {"-o", "dir", "-"},
        {"--info", "-", "-"},
    };
    for (const auto& args : rows) {
        const Result r = Run(args);
        EXPECT_EQ(r.status, 1) << args[0] << " " << args[1];
        EXPECT_NE(r.err.find("Try 'xkorvo-cli --help'"), std::string::npos);
    }
    // A malformed palette file is refused with its line.
    std::ofstream(palette) << "ff0000\nnonsense\n";
    const Result r = Run({"-p", palette, m_input, Path("o.bmp")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("line 2:"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(Path("o.bmp")));
}

TEST_F(CliExport, StandardInputAndOutputInAPipeline) {
    // Standard input recognised by content: a BMP, written to standard output as PNG.
    Result r = Run({"-", "-", "-f", "png", "-c", "64", "--stats"}, m_input);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Signature(r.out), "png");
    // The figures go to standard error, away from the picture.
    EXPECT_NE(r.err.find(" colors, PSNR "), std::string::npos) << r.err;
    std::ofstream(Path("piped.png"), std::ios::binary) << r.out;

    // That PNG read back from standard input through the plug-ins; BMP on standard output.
    r = Run({"--info", "-"}, Path("piped.png"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("40x24, ", 0), 0u) << r.out;
    r = Run({"-", "-"}, Path("piped.png"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Signature(r.out), "bmp");

    std::ofstream(Path("empty"));
    r = Run({"-", Path("o.bmp")}, Path("empty"));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("standard input is empty"), std::string::npos) << r.err;
}

TEST_F(CliExport, StatsAndGifVariantNote) {
    Result r = Run({"--stats", "-c", "8", "-t", "lower-left", m_input, Path("o.gif")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("8 colors, PSNR ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find(" dB, mean CIEDE2000 "), std::string::npos) << r.out;
    // GIF87a is the default; the transparent entry needs GIF89a, and the program says so.
    EXPECT_EQ(ReadText(Path("o.gif")).substr(0, 6), "GIF89a");
    EXPECT_NE(r.err.find("written as GIF89a"), std::string::npos) << r.err;
    r = Run({"-c", "8", "--gif-variant", "87a", "--gif-interlace", m_input, Path("p.gif")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadText(Path("p.gif")).substr(0, 6), "GIF87a");
    EXPECT_EQ(r.err, "");
}

TEST_F(CliExport, FailedWriteKeepsTheOldFileInEveryFormat) {
    for (const char* name : {"old.bmp", "old.png", "old.gif"}) {
        SCOPED_TRACE(name);
        const std::string out = Path(name);
        std::ofstream(out) << "previous content";
        // Room for the old file's size only: every new file is larger.
        const Result r = Run({"-c", "256", m_input, out}, "", 200);
        EXPECT_EQ(r.status, 3) << r.err;
        EXPECT_EQ(ReadText(out), "previous content");
    }
}

} // namespace
