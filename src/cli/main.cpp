// xkorvo-cli: reduces pictures to a palette from the command line. See CliUsage().
#include "cli/cli_options.h"
#include "cli/cli_runner.h"
#include "cli/plugin_folder.h"
#include "platform/large_pages.h"
#include "pluginhost/plugin_registry.h"

#include <QCoreApplication>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

// Whether the pictures of this call can be large enough for large pages to repay starting the
// program again (a few milliseconds): some input is standard input, or a file of 256 KiB or
// more (a compressed picture of that size may hold millions of pixels). Small files, the usual
// case of a script reducing icons one call at a time, are done sooner without.
bool MayBeLarge(const CliOptions& options) {
    if (options.mode != CliMode::Convert && options.mode != CliMode::Batch)
        return false;
    for (const std::string& input : options.inputs) {
        struct stat info {};
        if (input == kStandardStream || stat(input.c_str(), &info) != 0 ||
            info.st_size >= 256 * 1024)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const CliParse parse = ParseCommandLine(args);
    if (parse.error.empty() && MayBeLarge(parse.options))
        UseLargePages(argv); // starts the program again: nothing before this may have effects
    if (!parse.error.empty()) {
        std::fprintf(stderr, "xkorvo-cli: %s\nTry 'xkorvo-cli --help' for more information.\n",
                     parse.error.c_str());
        return kExitUsage;
    }
    const CliOptions& options = parse.options;
    switch (options.mode) {
    case CliMode::Help:
        std::fputs(CliUsage(), stdout);
        return kExitOk;
    case CliMode::Version:
        std::printf("xkorvo-cli %s\n", XKORVO_VERSION_STRING);
        return kExitOk;
    default:
        break;
    }

    // The plug-in host needs the application object for the program's folder and the
    // settings file, which names the plug-in folder and switches plug-ins off.
    QCoreApplication app(argc, argv);
    PluginHost plugins;
    LoadCliPlugins(plugins, options);
    switch (options.mode) {
    case CliMode::ListPlugins:
        return RunListPlugins(plugins);
    case CliMode::Info:
        return RunInfo(plugins, options);
    case CliMode::Batch:
        return RunBatch(plugins, options);
    default:
        return RunConvert(plugins, options);
    }
}
