// The command line of xkorvo-cli: which mode, which files, and the control panel values the
// options stand for. Parsing never exits or prints; the caller reports `error` as a usage error.
#pragma once

#include "export/picture_save.h"
#include "job/reduce_job.h"
#include "settings/panel_values.h"

#include <optional>
#include <string>
#include <vector>

enum class CliMode {
    Convert,     // INPUT OUTPUT
    Batch,       // -o DIR INPUT...
    Info,        // --info INPUT...
    ListPlugins, // --list-plugins
    Help,
    Version,
};

struct CliOptions {
    CliMode mode = CliMode::Convert;
    PanelValues panel; // the control panel's built-in defaults unless an option says otherwise
    std::vector<std::string> inputs;
    std::string output;       // Convert: the output file; "-" is standard output
    std::string outputDir;    // Batch: the output folder
    std::string pluginFolder; // --plugins: the plug-in folder for this call instead of the usual
    int jobs = 1;             // files reduced at the same time in a batch
    bool progress = false;
    bool quiet = false;
    // The output format (-f) instead of the output name's extension; with -o DIR the extension
    // of every output (BMP when not given).
    std::optional<PictureFormat> format;
    bool pngInterlace = false;
    bool gif89a = false;
    bool gifInterlace = false;
    std::string paletteIn;  // -p: map onto the colours of this palette file or picture
    std::string paletteOut; // --palette-out: write the result's palette to this file
    bool stats = false;     // print colour count, PSNR and mean CIEDE2000 of every result
    bool timings = false;   // print the time and memory of every stage of every file
};

struct CliParse {
    CliOptions options;
    std::string error; // empty when the command line is usable
};

[[nodiscard]] CliParse ParseCommandLine(const std::vector<std::string>& args);

const char* CliUsage();

// A file name or argument as it is printed. Names may hold any byte but '/' and NUL; printed as
// they are, a line feed would split a message and an escape sequence would drive the terminal,
// so control characters (C0, DEL and the UTF-8 encoded C1 range) become C escapes, and a
// backslash becomes two.
[[nodiscard]] std::string Printable(const std::string& text);
