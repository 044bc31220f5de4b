#include "cli/cli_options.h"

#include "export/palette_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

std::optional<int> ParseInt(const std::string& text, int lo, int hi) {
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < lo || value > hi)
        return std::nullopt;
    return static_cast<int>(value);
}

// The index of `text` among `names`, as the control panel's combo and radio indices.
template <std::size_t N>
std::optional<int> ParseName(const std::string& text, const char* const (&names)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        if (text == names[i])
            return static_cast<int>(i);
    return std::nullopt;
}

constexpr const char* kDitherNames[] = {"none", "gpeanos", "diffusion", "average", "cartoon"};
// Combo order of the Engine page: "5 bit" is index 0.
constexpr const char* kInputBitNames[] = {"5", "6", "7", "8"};
constexpr const char* kOutputNames[] = {"web", "332", "333", "444", "555",
                                        "565", "666", "777", "888"};
constexpr const char* kCornerNames[] = {"upper-left", "lower-left", "upper-right", "lower-right"};

struct OptionInfo {
    const char* shortName; // "" when none
    const char* longName;
    bool takesValue;
    // For an option whose value may be left out: what the bare option stands for. Its value is
    // then given as --name=VALUE, or as the next argument when that is a whole number.
    const char* bareValue = nullptr;
};

constexpr OptionInfo kOptions[] = {
    {"-c", "--colors", true},
    {"", "--add16", false},
    {"-d", "--dither", true},
    {"-l", "--level", true},
    {"", "--input-bits", true},
    {"", "--output-precision", true},
    {"", "--yb", true},
    {"", "--cr", true},
    {"", "--gm", true},
    {"-t", "--transparent", true},
    {"", "--refine", false, "4"}, // bare: 4 passes
    {"-j", "--jobs", true},
    {"-o", "--output-dir", true},
    {"", "--progress", false},
    {"-q", "--quiet", false},
    {"-h", "--help", false},
    {"", "--version", false},
    {"", "--info", false},
    {"", "--plugins", true},
    {"", "--list-plugins", false},
    {"-f", "--format", true},
    {"", "--png-interlace", false},
    {"", "--gif-variant", true},
    {"", "--gif-interlace", false},
    {"-p", "--palette", true},
    {"", "--palette-out", true},
    {"", "--stats", false},
    {"", "--timings", false},
};

// Options that shape a computed palette; a given palette (-p) leaves them nothing to do.
constexpr const char* kComputedPaletteOptions[] = {"--colors", "--add16", "--output-precision",
                                                   "--input-bits", "--refine"};

bool WholeNumber(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

const OptionInfo* FindOption(const std::string& name) {
    for (const OptionInfo& option : kOptions)
        if (name == option.longName || (option.shortName[0] != '\0' && name == option.shortName))
            return &option;
    return nullptr;
}

// Applies one option with its value; an error text when the value is not allowed.
std::string Apply(CliOptions& o, bool& info, bool& list, const std::string& name,
                  const std::string& value) {
    const auto bad = [&](const char* allowed) {
        return "invalid value '" + Printable(value) + "' for " + name + " (" + allowed + ")";
    };
    if (name == "--colors") {
        const auto n = ParseInt(value, 2, 256);
        if (!n)
            return bad("2..256");
        o.panel.m_nBitSet = 3; // "Optional #"
        o.panel.m_nNumBit = *n;
    } else if (name == "--add16") {
        o.panel.m_bAdd16 = 1;
    } else if (name == "--dither") {
        const auto n = ParseName(value, kDitherNames);
        if (!n)
            return bad("none, gpeanos, diffusion, average or cartoon");
        o.panel.m_nDitherMode = *n;
    } else if (name == "--level") {
        const auto n = ParseInt(value, 0, 10);
        if (!n)
            return bad("0..10");
        o.panel.m_nDitherLevel = *n;
    } else if (name == "--input-bits") {
        const auto n = ParseName(value, kInputBitNames);
        if (!n)
            return bad("5, 6, 7 or 8");
        o.panel.m_nInBit = *n;
    } else if (name == "--output-precision") {
        const auto n = ParseName(value, kOutputNames);
        if (!n)
            return bad("web, 332, 333, 444, 555, 565, 666, 777 or 888");
        o.panel.m_nOutBit = *n;
    } else if (name == "--yb" || name == "--cr" || name == "--gm") {
        const auto n = ParseInt(value, 0, 20);
        if (!n)
            return bad("0..20");
        (name == "--yb"   ? o.panel.m_nMagYB
         : name == "--cr" ? o.panel.m_nMagCR
                          : o.panel.m_nMagGM) = *n;
    } else if (name == "--transparent") {
        const auto n = ParseName(value, kCornerNames);
        if (!n)
            return bad("upper-left, lower-left, upper-right or lower-right");
        o.panel.m_bTransMode = 1;
        o.panel.m_nTransPosition = *n;
    } else if (name == "--refine") {
        const auto n = ParseInt(value, 1, kMaxRefinePasses);
        if (!n)
            return bad("1..16");
        o.panel.m_nRefinePasses = *n;
    } else if (name == "--jobs") {
        const auto n = ParseInt(value, 1, 256);
        if (!n)
            return bad("1..256");
        o.jobs = *n;
    } else if (name == "--output-dir") {
        if (value.empty())
            return "empty folder name for " + name;
        o.outputDir = value;
        if (o.mode == CliMode::Convert)
            o.mode = CliMode::Batch;
    } else if (name == "--progress") {
        o.progress = true;
    } else if (name == "--quiet") {
        o.quiet = true;
    } else if (name == "--help") {
        o.mode = CliMode::Help;
    } else if (name == "--version") {
        if (o.mode != CliMode::Help)
            o.mode = CliMode::Version;
    } else if (name == "--info") {
        info = true;
    } else if (name == "--plugins") {
        if (value.empty())
            return "empty folder name for " + name;
        o.pluginFolder = value;
    } else if (name == "--list-plugins") {
        list = true;
    } else if (name == "--format") {
        o.format = PictureFormatNamed(value);
        if (!o.format)
            return bad("bmp, png or gif");
    } else if (name == "--png-interlace") {
        o.pngInterlace = true;
    } else if (name == "--gif-variant") {
        if (value != "87a" && value != "89a")
            return bad("87a or 89a");
        o.gif89a = value == "89a";
    } else if (name == "--gif-interlace") {
        o.gifInterlace = true;
    } else if (name == "--palette") {
        if (value.empty())
            return "empty file name for " + name;
        o.paletteIn = value;
    } else if (name == "--palette-out") {
        if (!PaletteFormatOf(value))
            return "the name for " + name + " must end in .gpl, .act, .pal or .hex: '" +
                   Printable(value) + "'";
        o.paletteOut = value;
    } else if (name == "--stats") {
        o.stats = true;
    } else if (name == "--timings") {
        o.timings = true;
    }
    return {};
}

} // namespace

CliParse ParseCommandLine(const std::vector<std::string>& args) {
    CliParse result;
    CliOptions& o = result.options;
    bool info = false, list = false;
    bool optionsEnded = false;
    std::vector<std::string> positional;
    std::vector<std::string> given; // long names of the options on the command line

    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // "--name=value", "--name value", "-x value" or "-xvalue".
        std::string name = arg;
        std::optional<std::string> value;
        if (arg[1] == '-') {
            const auto eq = arg.find('=');
            if (eq != std::string::npos) {
                name = arg.substr(0, eq);
                value = arg.substr(eq + 1);
            }
        } else if (arg.size() > 2) {
            name = arg.substr(0, 2);
            value = arg.substr(2);
        }
        const OptionInfo* known = FindOption(name);
        if (!known) {
            result.error = "unknown option '" + Printable(arg) + "'";
            return result;
        }
        if (known->takesValue && !value) {
            if (k + 1 >= args.size()) {
                result.error = "option " + std::string(known->longName) + " needs a value";
                return result;
            }
            value = args[++k];
        } else if (known->bareValue != nullptr) {
            if (!value && k + 1 < args.size() && WholeNumber(args[k + 1]))
                value = args[++k];
            else if (!value)
                value = known->bareValue;
        } else if (!known->takesValue && value) {
            result.error = "option " + std::string(known->longName) + " takes no value";
            return result;
        }
        given.push_back(known->longName);
        const std::string error = Apply(o, info, list, known->longName, value.value_or(""));
        if (!error.empty()) {
            result.error = error;
            return result;
        }
    }

    if (o.mode == CliMode::Help || o.mode == CliMode::Version)
        return result;
    if (list) {
        if (info || o.mode == CliMode::Batch || !positional.empty())
            result.error = "--list-plugins takes no files, no output folder and no --info";
        o.mode = CliMode::ListPlugins;
        return result;
    }
    if (!o.paletteIn.empty())
        for (const char* shaping : kComputedPaletteOptions)
            if (std::find(given.begin(), given.end(), shaping) != given.end()) {
                result.error = std::string(shaping) +
                               " shapes a computed palette; it cannot be used with --palette";
                return result;
            }
    const auto stdinCount = std::count(positional.begin(), positional.end(), kStandardStream);
    // An empty name is no file at all; it would reach the file system as one.
    if (std::find(positional.begin(), positional.end(), std::string()) != positional.end()) {
        result.error = "empty file name";
        return result;
    }
    if (info) {
        if (o.mode == CliMode::Batch) {
            result.error = "--info writes nothing; it takes no output folder";
            return result;
        }
        if (stdinCount > 1) {
            result.error = "standard input ('-') can be read only once";
            return result;
        }
        o.mode = CliMode::Info;
        o.inputs = positional;
        if (o.inputs.empty())
            result.error = "--info needs at least one input file";
        return result;
    }
    if (o.mode == CliMode::Batch) {
        o.inputs = positional;
        if (o.inputs.empty())
            result.error = "no input files";
        else if (stdinCount > 0)
            result.error = "standard input ('-') has no name for an output in the folder; "
                           "use INPUT OUTPUT";
        else if (!o.paletteOut.empty())
            result.error = "--palette-out writes one palette; use it with INPUT OUTPUT, not -o";
        return result;
    }
    if (positional.size() != 2) {
        result.error = positional.size() < 2 ? "expected an input and an output file"
                                             : "too many files (use -o DIR for several inputs)";
        return result;
    }
    o.inputs = {positional[0]};
    o.output = positional[1];
    return result;
}

const char* CliUsage() {
    return R"(Usage: xkorvo-cli [OPTIONS] INPUT OUTPUT
       xkorvo-cli [OPTIONS] -o DIR INPUT...
       xkorvo-cli --info INPUT...
       xkorvo-cli --list-plugins

Reduces pictures to a palette of 2 to 256 colours and writes them as BMP, PNG or GIF files.
The output's extension chooses the format (.png, .gif, any case); any other writes BMP.
INPUT '-' reads the picture from standard input, OUTPUT '-' writes standard output.

Options:
  -c, --colors N             palette size, 2..256 (default 256)
      --add16                add the 16 fixed colours to the palette
  -p, --palette FILE         map onto the colours of FILE instead of computing a palette:
                             a .gpl, .act, .pal or .hex palette, or a picture of at most
                             256 colours (not with -c, --add16, --output-precision,
                             --input-bits or --refine)
  -d, --dither METHOD        none, gpeanos, diffusion, average or cartoon (default none)
  -l, --level N              dither strength 0..10 (default 7)
      --input-bits N         colour precision counted: 5, 6, 7 or 8 (default 8)
      --output-precision P   palette grid: web, 332, 333, 444, 555, 565, 666, 777, 888
                             (default 888)
      --yb N, --cr N, --gm N weight of the yellow-blue, cyan-red and green-magenta axes,
                             slider positions 0..20 (default 10)
  -t, --transparent CORNER   reserve the last entry for the colour of the upper-left,
                             lower-left, upper-right or lower-right pixel; with -p, make
                             the entry that pixel maps to transparent
  -f, --format FORMAT        bmp, png or gif, whatever the output's extension; with -o
                             the extension of every output (default bmp)
      --png-interlace        write interlaced (Adam7) PNG files
      --gif-variant V        87a or 89a (default 87a); a transparent colour needs 89a
      --gif-interlace        write interlaced GIF files
      --palette-out FILE     write the result's palette to FILE: .gpl (GIMP), .act (Adobe
                             colour table), .pal (JASC) or .hex (one rrggbb a line)
      --stats                print each result's colour count, PSNR and mean CIEDE2000
                             against its input
      --refine [N]           refine the palette in N passes, 1..16 (default 4); N follows as
                             --refine=N or as the next argument
  -o, --output-dir DIR       write DIR/<input name>.<format> for every input
  -j, --jobs N               reduce N files at the same time with -o (default 1)
      --info                 print "WIDTHxHEIGHT, N colors." for each input
      --plugins DIR          load decoder plug-ins from DIR for this call (default: the
                             folder the desktop program uses)
      --list-plugins         print the plug-in folder and, for each plug-in file in it,
                             "loaded", "switched off" or "refused:" and the reason
      --progress             show a progress bar on standard error
      --timings              print the time and memory of each stage of each file
                             (reading, the reduction's stages, writing) on standard error
  -q, --quiet                print nothing but errors
  -h, --help                 show this help
      --version              show the version

Exit status: 0 all files done, 1 usage error, 2 an input could not be read or reduced,
3 an output could not be written (3 wins over 2). An existing output file is only ever
replaced by a complete new one.
)";
}

std::string Printable(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    const auto hex = [&out](unsigned char byte) {
        char escape[5];
        std::snprintf(escape, sizeof escape, "\\x%02x", byte);
        out += escape;
    };
    for (std::size_t k = 0; k < text.size(); ++k) {
        const auto c = static_cast<unsigned char>(text[k]);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            hex(c);
        } else if (c == 0xC2 && k + 1 < text.size() &&
                   (static_cast<unsigned char>(text[k + 1]) & 0xE0) == 0x80) {
            hex(c); // U+0080..U+009F
            hex(static_cast<unsigned char>(text[++k]));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}
