// End-to-end tests of xkorvo-cli: the built program run on small files in a temporary folder.
#include "image/bmp_file.h"
#include "quant/quant.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/dib_builder.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

using clitest::ReadText;
using clitest::Result;

class Cli : public clitest::FolderTest {
protected:
    fs::path Path(const std::string& name) const { return m_dir / name; }

    // A 24-bit BMP file of width x height pixels 0x00RRGGBB, top row first.
    std::string WritePicture(const std::string& name, int width, int height,
                             const std::vector<std::uint32_t>& pixels) const {
        DibHandle dib = MakeDib24(width, height, pixels);
        const std::string path = Path(name).string();
        EXPECT_EQ(DibSaveFile(dib, path), SaveResult::Ok);
        return path;
    }

    // A smooth gradient with some noise: enough colours to need reducing.
    std::string WritePhoto(const std::string& name, int width = 48, int height = 32) const {
        std::vector<std::uint32_t> pixels;
        std::uint32_t noise = 12345;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                noise = noise * 1103515245 + 12345;
                const std::uint32_t r = (x * 255 / width + (noise >> 28)) & 0xFF;
                const std::uint32_t g = (y * 255 / height) & 0xFF;
                const std::uint32_t b = ((x + y) * 2 + (noise >> 29)) & 0xFF;
                pixels.push_back(r << 16 | g << 8 | b);
            }
        return WritePicture(name, width, height, pixels);
    }

    // The settings file the program reads (XDG_CONFIG_HOME is the test's folder).
    fs::path SettingsPath() const { return m_dir / "xkorvo" / "xkorvo.ini"; }
    void WriteSettings(const std::string& text) const {
        fs::create_directories(SettingsPath().parent_path());
        std::ofstream(SettingsPath(), std::ios::binary) << text;
    }
};

int Lines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

} // namespace

TEST_F(Cli, ReducesWithEveryMethodAndColourCount) {
    const std::string in = WritePhoto("photo.bmp");
    struct Case {
        std::vector<std::string> options;
        int bits;
        std::uint32_t colors;
    };
    const Case cases[] = {
        {{}, 8, 256},
        {{"-c", "16", "-d", "diffusion"}, 4, 16},
        {{"--colors=2", "--dither=gpeanos", "-l", "3"}, 1, 2},
        {{"-c", "17", "-d", "average", "--add16"}, 8, 17},
        {{"-c64", "-d", "cartoon", "--input-bits", "5", "--output-precision", "web"}, 8, 64},
        {{"-c", "16", "-t", "lower-right", "--yb", "0", "--cr", "20", "--gm", "3"}, 4, 16},
    };
    for (const Case& c : cases) {
        const std::string out = Path("out.bmp").string();
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {in, out});
        const Result r = Run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        BmpReadResult read = DibReadFile(out);
        ASSERT_EQ(read.error, BmpError::None);
        EXPECT_EQ(DibGetBitCount(read.dib.data()), c.bits);
        EXPECT_EQ(ReadU32(read.dib.data() + dibfield::ClrUsed), c.colors);
        EXPECT_EQ(DibGetWidth(read.dib.data()), 48);
        EXPECT_EQ(DibGetHeight(read.dib.data()), 32);
    }
}

// The Properties line: a 2 x 2 picture of red, red, green and blue has 3 colours.
TEST_F(Cli, InfoPrintsSizeAndDistinctColours) {
    const std::string a = WritePicture("a.bmp", 2, 2, {0xFF0000, 0xFF0000, 0x00FF00, 0x0000FF});
    Result r = Run({"--info", a});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "2x2, 3 colors.\n");

    const std::string b = WritePicture("b.bmp", 3, 1, {0x000000, 0x000001, 0x010000});
    r = Run({"--info", a, b});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, a + ": 2x2, 3 colors.\n" + b + ": 3x1, 3 colors.\n");
}

TEST_F(Cli, UsageErrorsExitWithOneAndWriteNothing) {
    const std::string in = WritePhoto("photo.bmp", 8, 8);
    const std::string out = Path("out.bmp").string();
    const std::string dir = Path("dir").string();
    const std::vector<std::vector<std::string>> cases = {
        // clang-format off
        {}, {in}, {in, out, out}, {"--frobnicate", in, out},
        {"-c", "1", in, out}, {"-c", "257", in, out}, {"-c", "12x", in, out},
        {"-d", "floyd", in, out}, {"-l", "11", in, out}, {"--input-bits", "4", in, out},
        {"--output-precision", "888x", in, out}, {"--yb", "21", in, out}, {"--gm", "-1", in, out},
        {"-t", "middle", in, out}, {"-j", "0", "-o", dir, in}, {"--info", "-o", dir, in},
        {"--info"}, {"-o", dir}, {in, out, "-c"}, {"--add16=1", in, out},
        {"", out}, {in, ""}, {"--info", ""},
        {"--refine=0", in, out}, {"--refine", "17", in, out}, {"--refine=", in, out},
        // clang-format on
    };
    for (const auto& args : cases) {
        const Result r = Run(args);
        const std::string joined = ::testing::PrintToString(args);
        EXPECT_EQ(r.status, 1) << joined;
        EXPECT_NE(r.err, "") << joined;
        EXPECT_FALSE(fs::exists(out)) << joined;
        EXPECT_FALSE(fs::exists(dir)) << joined;
    }
}

// --refine with no count, with one after "=" and with one as the next argument: the file holds
// what the engine gives for that number of passes, and differs from the unrefined one.
TEST_F(Cli, RefineOptionReachesTheEngine) {
    const std::string in = WritePhoto("photo.bmp");
    const std::string out = Path("out.bmp").string();
    BmpReadResult source = DibReadFile(in);
    ASSERT_EQ(source.error, BmpError::None);
    const auto engine = [&](int passes) {
        QuantSettings s;
        s.colorCount = 16;
        s.refinePasses = passes;
        CPixelArray graph;
        graph.SetSource(&source.dib);
        QuantSignal signal;
        EXPECT_EQ(CQuant(s).Quantize(graph, signal, {}), QuantResult::Done);
        const DibHandle dib = graph.TakeResult();
        return std::vector<std::uint8_t>(dib.data(), dib.data() + dib.size());
    };
    const auto written = [&](std::vector<std::string> args) {
        args.insert(args.end(), {"-c", "16", in, out});
        EXPECT_EQ(Run(args).status, 0);
        BmpReadResult read = DibReadFile(out);
        EXPECT_EQ(read.error, BmpError::None);
        return std::vector<std::uint8_t>(read.dib.data(), read.dib.data() + read.dib.size());
    };
    EXPECT_EQ(written({"--refine"}), engine(4));
    EXPECT_EQ(written({"--refine=2"}), engine(2));
    EXPECT_EQ(written({"--refine", "16"}), engine(16));
    EXPECT_EQ(written({}), engine(0));
    EXPECT_NE(engine(4), engine(0));
}

// An input that cannot be read ends the run with 2 and one line that names the file, with its
// control characters escaped so that nothing reaches the terminal, and says why; the output
// keeps what it held. A GIF screen of 30000 x 30000 pixels is above the limit of 2^28 pixels
// (256 megapixels); the screen descriptor is all the GIF plug-in needs to see to refuse it.
TEST_F(Cli, UnreadableInputExitsWithTwoAndKeepsTheOutput) {
    const std::string out = Path("out.bmp").string(), odd = "line\nfeed\ttab\x1b[31m.bmp";
    std::ofstream(out) << "precious";
    std::ofstream(Path("text.bmp")) << "this is not a picture";
    std::ofstream(Path(odd)) << "not a picture";
    std::ofstream(Path("huge.gif"), std::ios::binary)
        << std::string("GIF89a\x30\x75\x30\x75\0\0\0;", 14);
    const struct {
        std::string file;
        std::vector<std::string> said;
    } rows[] = {
        {"missing.bmp", {Path("missing.bmp").string()}},
        {"text.bmp", {Path("text.bmp").string()}},
        {"huge.gif", {"huge.gif", "too large", "268435456 pixels"}},
        {odd, {"line\\nfeed\\ttab\\x1b[31m.bmp"}},
    };
    for (const auto& row : rows) {
        const Result r = Run({Path(row.file).string(), out});
        EXPECT_EQ(r.status, 2) << row.file;
        EXPECT_EQ(Lines(r.err), 1) << r.err;
        for (const std::string& text : row.said)
            EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
        EXPECT_EQ(ReadText(out), "precious");
    }
    const Result usage = Run({"--\x1b[2J", Path(odd).string(), out});
    EXPECT_EQ(usage.status, 1);
    EXPECT_NE(usage.err.find("'--\\x1b[2J'"), std::string::npos) << usage.err;
}

// A write that fails half-way (the file size limit) leaves the existing output as it was, and
// an output that is not a regular file is not touched. Each failure gives the system's reason.
TEST_F(Cli, FailedWriteExitsWithThreeAndKeepsTheOutput) {
    const std::string in = WritePhoto("photo.bmp", 64, 64);
    const std::string out = Path("out.bmp").string();
    std::ofstream(out) << "precious";
    Result r = Run({in, out}, "", 2000);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(Lines(r.err), 1) << r.err;
    EXPECT_NE(r.err.find(in), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(std::strerror(EFBIG)), std::string::npos) << r.err;
    EXPECT_EQ(ReadText(out), "precious");

    r = Run({in, Path("no/such/folder/out.bmp").string()});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find(std::strerror(ENOENT)), std::string::npos) << r.err;

    const std::string pipe = Path("pipe.bmp").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    r = Run({in, pipe});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_fifo(pipe));
}

TEST_F(Cli, BatchWritesEveryGoodFileAndReportsEachBadOne) {
    const std::vector<std::string> inputs = {WritePhoto("one.bmp"), Path("missing.bmp").string(),
                                             WritePhoto("two.x.bmp", 20, 30)};
    std::vector<std::string> args = {"-c", "16", "-d", "diffusion", "-o", Path("out").string()};
    args.insert(args.end(), inputs.begin(), inputs.end());
    const Result r = Run(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(Lines(r.err), 1) << r.err;
    EXPECT_NE(r.err.find("missing.bmp"), std::string::npos);
    EXPECT_TRUE(fs::exists(Path("out/one.bmp")));
    EXPECT_TRUE(fs::exists(Path("out/two.x.bmp")));
    EXPECT_FALSE(fs::exists(Path("out/missing.bmp")));
    EXPECT_EQ(Lines(r.out), 2);
}

// Files reduced side by side come out exactly as files reduced one after another.
TEST_F(Cli, ParallelBatchGivesTheSameFiles) {
    std::vector<std::string> inputs;
    for (int k = 0; k < 4; ++k)
        inputs.push_back(WritePhoto("p" + std::to_string(k) + ".bmp", 30 + 7 * k, 20 + k));
    for (const char* jobs : {"1", "3"}) {
        std::vector<std::string> args = {
            "-q",      "-j",         jobs, "-d",
            "average", "--progress", "-o", Path(std::string("out") + jobs).string()};
        args.insert(args.end(), inputs.begin(), inputs.end());
        const Result r = Run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("100%"), std::string::npos);
    }
    for (int k = 0; k < 4; ++k) {
        const std::string name = "p" + std::to_string(k) + ".bmp";
        EXPECT_EQ(ReadText(Path("out1/" + name)), ReadText(Path("out3/" + name))) << name;
    }
}

// Two inputs with the same name in different folders would write the same file; the second
// is refused instead of overwriting the first one's result. Failed outputs win over failed
// inputs in the exit status.
TEST_F(Cli, BatchNameClashAndExitStatusOrder) {
    fs::create_directories(Path("a"));
    fs::create_directories(Path("b"));
    const std::string first = WritePhoto("a/same.bmp");
    const std::string second = WritePhoto("b/same.bmp", 10, 10);
    const Result r = Run({"-o", Path("out").string(), first, Path("missing.bmp").string(), second});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(Lines(r.err), 2) << r.err;
    BmpReadResult read = DibReadFile(Path("out/same.bmp").string());
    ASSERT_EQ(read.error, BmpError::None);
    EXPECT_EQ(DibGetWidth(read.dib.data()), 48);
}

// The plug-in folder is the desktop program's: the one a settings file of this version names,
// else the program's own folder, or SUSIE_PLUGIN_PATH where a first start takes it. --plugins
// overrides it for one call. Each plug-in file is listed with what loading made of it.
TEST_F(Cli, FindsAndListsPluginsAsTheDesktopDoes) {
    const fs::path spi = Path("spi");
    fs::create_directories(spi);
    for (const std::string kind : {"script", "badversion", "noinfo", "refuse"})
        fs::copy_file(fs::path(XKORVO_TEST_PLUGIN_DIR) / (kind + ".spi"), spi / (kind + ".spi"));
    std::ofstream(spi / "notalibrary.spi") << "this is text";
    const std::string folder = spi.string() + "/", program = std::string(XKORVO_BIN_DIR) + "/";
    const std::string trusted = "[Infomation]\nversion=" XKORVO_VERSION "\n";
    const std::string settings =
        "[FileOperation]\nPluginPath=" + spi.string() + "\n[Plugins]\n1=refuse.spi\n";

    WriteSettings(trusted + settings);
    Result r = Run({"--list-plugins"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    std::istringstream lines(r.out);
    const std::vector<std::string> expected = {"Plug-in folder: " + folder,
                                               "badversion.spi: refused: not an import plug-in",
                                               "noinfo.spi: refused: no GetPluginInfo",
                                               "notalibrary.spi: refused: not a loadable library (",
                                               "refuse.spi: switched off",
                                               "script.spi: loaded"};
    for (const std::string& want : expected) {
        std::string line;
        std::getline(lines, line);
        EXPECT_EQ(line.substr(0, want.size()), want);
    }

    const struct {
        const char* name;
        std::string file, environment;
        std::vector<std::string> args;
        std::string folder;
    } rows[] = {
        {"another version's file", "[Infomation]\nversion=0.1\n" + settings, "", {}, program},
        {"first start with SUSIE_PLUGIN_PATH", settings, spi.string(), {}, folder},
        {"the file's folder before SUSIE_PLUGIN_PATH", trusted + settings, "/nowhere", {}, folder},
        {"--plugins for one call", trusted + settings, "", {"--plugins", program}, program},
    };
    for (const auto& row : rows) {
        WriteSettings(row.file);
        if (!row.environment.empty())
            setenv("SUSIE_PLUGIN_PATH", row.environment.c_str(), 1);
        std::vector<std::string> args = row.args;
        args.push_back("--list-plugins");
        r = Run(args);
        unsetenv("SUSIE_PLUGIN_PATH");
        EXPECT_EQ(r.status, 0) << row.name;
        EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "Plug-in folder: " + row.folder) << row.name;
    }
    EXPECT_EQ(Run({"--list-plugins", "in.bmp"}).status, 1);
    EXPECT_EQ(Run({"--plugins", "", "--list-plugins"}).status, 1);
}

// A settings file that could block or exhaust the program is not read: a warning, the built-in
// settings, and the file left as it is.
TEST_F(Cli, SettingsFileThatIsNoRegularFileOrTooLargeIsLeftAlone) {
    const std::string in = WritePhoto("photo.bmp", 8, 8);
    const std::string large = "[Infomation]\nversion=" XKORVO_VERSION
                              "\n[FileOperation]\nPluginPath=/nowhere\n;" +
                              std::string(1 << 20, 'x') + "\n";
    for (const std::string row : {"FIFO", "link to /dev/zero", "larger than 1 MiB"}) {
        fs::remove(SettingsPath());
        fs::create_directories(SettingsPath().parent_path());
        if (row == "FIFO")
            ASSERT_EQ(mkfifo(SettingsPath().c_str(), 0600), 0);
        else if (row == "link to /dev/zero")
            fs::create_symlink("/dev/zero", SettingsPath());
        else
            WriteSettings(large);
        Result r = Run({"--list-plugins"});
        EXPECT_EQ(r.status, 0) << row;
        EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
                  "Plug-in folder: " + std::string(XKORVO_BIN_DIR) + "/")
            << row;
        EXPECT_NE(r.err.find(SettingsPath().string() + " could not be read"), std::string::npos)
            << r.err;
        r = Run({in, Path("out.bmp").string()});
        EXPECT_EQ(r.status, 0) << row;
        EXPECT_EQ(Lines(r.err), 1) << row;
    }
    EXPECT_EQ(ReadText(SettingsPath()), large);
}
