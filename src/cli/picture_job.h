// The work xkorvo-cli does for one file: read a picture (plug-ins first, then the BMP reader),
// reduce it (or map it onto a given palette), and save the result in the chosen format, to a
// file that is replaced only by a complete new one or to standard output; or describe a picture
// as the Properties command does.
#pragma once

#include "export/picture_save.h"
#include "image/dib.h"
#include "quant/quant_settings.h"
#include "runcontrol/quant_signal.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class PluginHost;

enum class FileStatus {
    Ok,
    InputFailed,  // not read, not a usable picture, or not reduced
    OutputFailed, // the result could not be written
};

struct FileOutcome {
    FileOutcome() = default;
    FileOutcome(FileStatus failed, std::string why) : status(failed), reason(std::move(why)) {}

    FileStatus status = FileStatus::Ok;
    std::string reason; // why, when not Ok
    std::string note;   // what the user should know of a written file ("" when nothing)
    std::string stats;  // the quality figures, when asked for
};

// What to do with every file of a run.
struct ReduceJob {
    QuantSettings settings;
    const std::vector<std::uint32_t>* palette = nullptr; // map onto these colours, or compute
    PictureOptions output;  // format and variant; the transparent entry is set per result
    std::string paletteOut; // write the result's palette here ("" none)
    bool stats = false;
};

// The picture in a file, or a null handle with the reason in `reason`.
[[nodiscard]] DibHandle ReadPicture(const PluginHost& host, const std::string& path,
                                    std::string& reason);

// Reads `input`, reduces it as `job` says (progress and cancel through `signal`) and writes the
// result to `output` ("-": standard output).
[[nodiscard]] FileOutcome ReduceFile(const PluginHost& host, const std::string& input,
                                     const std::string& output, const ReduceJob& job,
                                     QuantSignal& signal);

// "WIDTHxHEIGHT, N colors." with N the number of distinct 24-bit colours, in `line`.
[[nodiscard]] FileOutcome DescribeFile(const PluginHost& host, const std::string& input,
                                       std::string& line);
