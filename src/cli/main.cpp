// xkorvo-cli: reduces pictures to a palette from the command line. See CliUsage().
#include "cli/cli_options.h"
#include "cli/cli_runner.h"
#include "cli/plugin_folder.h"
#include "platform/large_pages.h"
#include "pluginhost/plugin_registry.h"

#include <QCoreApplication>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    UseLargePages(argv);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const CliParse parse = ParseCommandLine(args);
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
