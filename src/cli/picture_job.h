// The work xkorvo-cli does for one file: read a picture (plug-ins first, then the BMP reader),
// reduce it, and save the result as a BMP file that replaces the output only when complete; or
// describe a picture as the Properties command does.
#pragma once

#include "image/dib.h"
#include "quant/quant_settings.h"
#include "runcontrol/quant_signal.h"

#include <string>

class PluginHost;

enum class FileStatus {
    Ok,
    InputFailed,  // not read, not a usable picture, or not reduced
    OutputFailed, // the result could not be written
};

struct FileOutcome {
    FileStatus status = FileStatus::Ok;
    std::string reason; // why, when not Ok
};

// The picture in a file, or a null handle with the reason in `reason`.
[[nodiscard]] DibHandle ReadPicture(const PluginHost& host, const std::string& path,
                                    std::string& reason);

// Reads `input`, reduces it with `settings` (progress and cancel through `signal`) and saves
// the result to `output`.
[[nodiscard]] FileOutcome ReduceFile(const PluginHost& host, const std::string& input,
                                     const std::string& output, const QuantSettings& settings,
                                     QuantSignal& signal);

// "WIDTHxHEIGHT, N colors." with N the number of distinct 24-bit colours, in `line`.
[[nodiscard]] FileOutcome DescribeFile(const PluginHost& host, const std::string& input,
                                       std::string& line);
