// The work one picture file gets, the same in both programs: read it (plug-ins first, then the
// BMP reader), reduce it (or map it onto a given palette), and save the result in the chosen
// format, to a file that is replaced only by a complete new one or to standard output. The
// command line's conversions and batches and the desktop's batch all come through ReduceFile,
// and a batch names its outputs through PlanBatchOutputs, so the same settings write the same
// files from either program.
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

// "-" as an input reads standard input, as an output writes standard output.
inline constexpr const char* kStandardStream = "-";

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

// The colours of a run's palette file: a palette file by its extension (.gpl, .act, .pal,
// .hex), any other file as a picture of at most 256 colours. Empty with the reason in `reason`
// (naming the line or byte at fault) when the file gives no usable palette.
[[nodiscard]] std::vector<std::uint32_t>
ReadRunPalette(const PluginHost& host, const std::string& path, std::string& reason);

// Where a batch writes each input: DIR/<input name without extension>.<format's extension>.
// An output name that an earlier input of the same batch takes already is not written again:
// `clash` names that earlier input, and the file fails with ClashReason.
struct BatchOutput {
    std::string path;
    std::string clash; // the earlier input writing `path`, or empty
};
[[nodiscard]] std::vector<BatchOutput> PlanBatchOutputs(const std::string& folder,
                                                        const std::vector<std::string>& inputs,
                                                        PictureFormat format);
[[nodiscard]] std::string ClashReason(const BatchOutput& output);
