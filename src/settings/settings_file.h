// Where the settings file lives: xkorvo.ini beside the program when that file exists (a portable
// install), otherwise $XDG_CONFIG_HOME/xkorvo/xkorvo.ini (~/.config/xkorvo/xkorvo.ini).
#pragma once

#include <QString>

QString SettingsFilePath();

// The folder of the running program, with a trailing separator.
QString ProgramFolder();
