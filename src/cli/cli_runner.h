// Runs what the command line asked for: one conversion, a batch into a folder (several files
// at once with -j), or the description of pictures. Reports one line per failing file on
// standard error and gives the exit status.
#pragma once

#include "cli/cli_options.h"

class PluginHost;

enum ExitStatus {
    kExitOk = 0,
    kExitUsage = 1,
    kExitInput = 2,  // some input could not be read or reduced
    kExitOutput = 3, // some output could not be written
};

[[nodiscard]] int RunConvert(const PluginHost& host, const CliOptions& options);
[[nodiscard]] int RunBatch(const PluginHost& host, const CliOptions& options);
[[nodiscard]] int RunInfo(const PluginHost& host, const CliOptions& options);
