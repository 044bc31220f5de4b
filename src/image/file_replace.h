// Saving a file so that an existing one is replaced only by a complete new one: the bytes go to
// a temporary file beside the target, which is renamed over the target once it is complete and
// on the disk. Every writer of the program (bitmaps, PNG, GIF, palettes) saves through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <system_error>

// Receives the bytes of a file being written; false stops the write.
using ByteSink = std::function<bool(const std::uint8_t*, std::size_t)>;

enum class SaveResult {
    Ok,
    NotWritable, // the writer cannot write this content in its format; nothing is written
    NotAFile,    // the path (or the file a symbolic link leads to) is a folder, a device, a pipe
                 // or a socket; nothing is written
    FileError,   // the file could not be written; an existing file at the path is unchanged
};

// Writes what `write` hands its sink (false from `write` = the content cannot be written) to
// `path`. A symbolic link is followed: the file it leads to is replaced and the link kept. Only
// a regular file is ever replaced, and its permissions carry over. `why`, when given, receives
// the system's error behind a FileError. `write` returning false on a sink that accepted every
// byte gives NotWritable.
[[nodiscard]] SaveResult SaveReplacing(const std::string& path,
                                       const std::function<bool(const ByteSink&)>& write,
                                       std::error_code* why = nullptr);
