// The plug-ins of xkorvo-cli: found as the desktop program finds them (the folder of a settings
// file this version wrote, else the first start's folder, and the same "Plugins" section), or in
// the folder --plugins names for one call.
#pragma once

#include "cli/cli_options.h"

class PluginHost;

// Sets the plug-in folder of `host` and loads the plug-ins. A settings file that is refused (not
// a regular file, or too large) is reported on standard error and left alone; the defaults are
// used.
void LoadCliPlugins(PluginHost& host, const CliOptions& options);

// --list-plugins: the folder, then one line per plug-in file with what loading made of it.
[[nodiscard]] int RunListPlugins(const PluginHost& host);
