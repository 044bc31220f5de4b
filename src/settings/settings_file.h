// Where the settings file lives: xkorvo.ini beside the program when that file exists (a portable
// install), otherwise $XDG_CONFIG_HOME/xkorvo/xkorvo.ini (~/.config/xkorvo/xkorvo.ini). And how
// it is read and replaced: every reader goes through ReadSettingsFile, which takes only a regular
// file of a size no real settings file reaches, so a FIFO, a device or a huge file at that path
// never blocks or exhausts a program; such a file is left alone.
#pragma once

#include <QByteArray>
#include <QString>

QString SettingsFilePath();

// The folder of the running program, with a trailing separator.
QString ProgramFolder();

// Largest settings file read: 1 MiB.
inline constexpr qint64 kSettingsFileLimit = qint64(1) << 20;

struct SettingsFileText {
    enum class State { Missing, Read, Refused };
    State state = State::Missing;
    QByteArray text;
    QString reason; // why a file there was refused, in words
};

// Reads the settings file. A missing file gives Missing and no text.
[[nodiscard]] SettingsFileText ReadSettingsFile();

// Replaces the settings file with `text` through a temporary file in its folder, so a failed
// write never truncates it; a symbolic link is followed. False when it could not be written.
bool ReplaceSettingsFile(const QByteArray& text);

// "settings file PATH could not be read (REASON)"
QString SettingsRefusalText(const SettingsFileText& file);
