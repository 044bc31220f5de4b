#include "cli/cli_runner.h"

#include "cli/picture_job.h"
#include "cli/stage_timings.h"
#include "cli/standard_input.h"
#include "runcontrol/quant_signal.h"
#include "settings/panel_values.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

std::mutex g_printLock; // one writer at a time on standard output and error

// The progress bar on standard error: files done plus the progress of the running ones.
class CProgressBar {
public:
    CProgressBar(bool enabled, std::size_t files, std::size_t slots)
        : m_enabled(enabled), m_files(files), m_signals(slots) {
        for (auto& s : m_signals)
            s = std::make_unique<QuantSignal>();
    }

    QuantSignal& Slot(std::size_t k) { return *m_signals[k]; }
    void FileDone() { m_done.fetch_add(1); }

    void Draw(bool final = false) {
        if (!m_enabled)
            return;
        double fraction = static_cast<double>(m_done.load());
        if (!final)
            for (auto& s : m_signals)
                fraction += s->m_nProgress.load(std::memory_order_relaxed) / 1000.0;
        fraction = std::min(1.0, fraction / static_cast<double>(std::max<std::size_t>(m_files, 1)));
        constexpr int kWidth = 40;
        const int filled = static_cast<int>(fraction * kWidth);
        std::string bar(static_cast<std::size_t>(filled), '#');
        bar.resize(kWidth, '.');
        std::lock_guard lock(g_printLock);
        std::fprintf(stderr, "\r[%s] %3d%%", bar.c_str(), static_cast<int>(fraction * 100));
        if (m_files > 1)
            std::fprintf(stderr, " %zu/%zu files", static_cast<std::size_t>(m_done.load()),
                         m_files);
        if (final)
            std::fputc('\n', stderr);
        std::fflush(stderr);
    }

    // Erases the bar before another line is printed, so lines and bar do not mix.
    void ClearLine() {
        if (m_enabled)
            std::fputs("\r\033[K", stderr);
    }

private:
    bool m_enabled;
    std::size_t m_files;
    std::vector<std::unique_ptr<QuantSignal>> m_signals;
    std::atomic<std::size_t> m_done{0};
};

void ReportFailure(CProgressBar& bar, const std::string& file, const std::string& reason) {
    std::lock_guard lock(g_printLock);
    bar.ClearLine();
    std::fprintf(stderr, "xkorvo-cli: %s: %s\n", Printable(file).c_str(),
                 Printable(reason).c_str());
}

int StatusOf(const FileOutcome& outcome) {
    switch (outcome.status) {
    case FileStatus::Ok:
        return kExitOk;
    case FileStatus::InputFailed:
        return kExitInput;
    case FileStatus::OutputFailed:
        break;
    }
    return kExitOutput;
}

// Runs `work(k, signal)` for k = 0..count-1 on up to `jobs` threads while the calling thread
// draws the progress bar. Without any thread to spare the calling thread does the work itself.
template <class Work> void RunParallel(std::size_t count, int jobs, CProgressBar& bar, Work work) {
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> running{0};
    std::mutex lock;
    std::condition_variable finished;
    auto worker = [&](std::size_t slot) {
        for (std::size_t k; (k = next.fetch_add(1)) < count;) {
            work(k, bar.Slot(slot));
            bar.Slot(slot).SetProgress(0);
            bar.FileDone();
        }
        std::lock_guard guard(lock);
        running.fetch_sub(1);
        finished.notify_all();
    };
    const std::size_t threads = std::min<std::size_t>(static_cast<std::size_t>(jobs), count);
    std::vector<std::thread> pool;
    for (std::size_t t = 0; t < threads; ++t) {
        running.fetch_add(1);
        try {
            pool.emplace_back(worker, t);
        } catch (const std::system_error&) {
            running.fetch_sub(1);
            break; // fewer threads; the work is shared among those that started
        }
    }
    if (pool.empty()) {
        running.fetch_add(1);
        worker(0);
    }
    {
        std::unique_lock guard(lock);
        while (running.load() > 0) {
            guard.unlock();
            bar.Draw();
            guard.lock();
            finished.wait_for(guard, std::chrono::milliseconds(100),
                              [&] { return running.load() == 0; });
        }
    }
    for (auto& t : pool)
        t.join();
    bar.Draw(true);
}

// The run's palette when -p names one: a palette file by its extension, else a picture.
bool LoadPalette(const PluginHost& host, const CliOptions& options,
                 std::vector<std::uint32_t>& colors) {
    if (options.paletteIn.empty())
        return true;
    std::string reason;
    colors = ReadRunPalette(host, options.paletteIn, reason);
    if (colors.empty()) {
        CProgressBar none(false, 0, 0);
        ReportFailure(none, options.paletteIn, reason);
        return false;
    }
    return true;
}

ReduceJob JobOf(const CliOptions& options, const std::vector<std::uint32_t>& palette) {
    ReduceJob job;
    job.settings = SettingsForRun(options.panel);
    if (!options.paletteIn.empty())
        job.palette = &palette;
    job.output.pngInterlace = options.pngInterlace;
    job.output.gif89a = options.gif89a;
    job.output.gifInterlace = options.gifInterlace;
    job.paletteOut = options.paletteOut;
    job.stats = options.stats;
    return job;
}

// Notes and figures of a file done: on standard error when the picture went to standard output.
void ReportDone(CProgressBar& bar, const CliOptions& options, const std::string& input,
                const std::string& output, const FileOutcome& outcome, bool named) {
    std::lock_guard lock(g_printLock);
    bar.ClearLine();
    if (!outcome.note.empty() && !options.quiet)
        std::fprintf(stderr, "xkorvo-cli: %s: %s\n", Printable(output).c_str(),
                     outcome.note.c_str());
    if (!outcome.stats.empty()) {
        std::FILE* to = output == kStandardStream ? stderr : stdout;
        if (named)
            std::fprintf(to, "%s: %s\n", Printable(input).c_str(), outcome.stats.c_str());
        else
            std::fprintf(to, "%s\n", outcome.stats.c_str());
        std::fflush(to);
    }
}

// ReduceFile, with the figures of its stages on standard error when --timings asks for them.
// `name` is the input as the user gave it.
FileOutcome ReduceMeasured(CProgressBar& bar, const PluginHost& host, const CliOptions& options,
                           const std::string& name, const std::string& input,
                           const std::string& output, const ReduceJob& job, QuantSignal& signal) {
    if (!options.timings)
        return ReduceFile(host, input, output, job, signal);
    CStageTimings timings([&](const std::string& line) {
        std::lock_guard lock(g_printLock);
        bar.ClearLine();
        std::fprintf(stderr, "xkorvo-cli: %s: %s\n", Printable(name).c_str(), line.c_str());
    });
    signal.m_onStage = [&timings](const char* stage) { timings.StageDone(stage); };
    FileOutcome outcome = ReduceFile(host, input, output, job, signal);
    signal.m_onStage = nullptr;
    timings.Finish();
    return outcome;
}

} // namespace

int RunConvert(const PluginHost& host, const CliOptions& options) {
    std::vector<std::uint32_t> palette;
    if (!LoadPalette(host, options, palette))
        return kExitInput;
    ReduceJob job = JobOf(options, palette);
    job.output.format = options.format.value_or(options.output == kStandardStream
                                                    ? PictureFormat::Bmp
                                                    : PictureFormatOfPath(options.output));
    CProgressBar bar(options.progress, 1, 1);
    FileOutcome outcome;
    CStandardInput standardInput;
    std::string input = options.inputs[0];
    if (input == kStandardStream) {
        std::string reason;
        if (!standardInput.Copy(reason)) {
            ReportFailure(bar, "standard input", reason);
            return kExitInput;
        }
        input = standardInput.Path();
    }
    RunParallel(1, 1, bar, [&](std::size_t, QuantSignal& signal) {
        outcome = ReduceMeasured(bar, host, options, options.inputs[0], input, options.output, job,
                                 signal);
    });
    if (outcome.status != FileStatus::Ok)
        ReportFailure(bar, options.inputs[0], outcome.reason);
    else
        ReportDone(bar, options, options.inputs[0], options.output, outcome, false);
    return StatusOf(outcome);
}

int RunBatch(const PluginHost& host, const CliOptions& options) {
    namespace fs = std::filesystem;
    std::vector<std::uint32_t> palette;
    if (!LoadPalette(host, options, palette))
        return kExitInput;
    ReduceJob job = JobOf(options, palette);
    job.output.format = options.format.value_or(PictureFormat::Bmp);
    const std::size_t count = options.inputs.size();
    CProgressBar bar(options.progress, count, static_cast<std::size_t>(options.jobs));

    std::error_code ec;
    fs::create_directories(options.outputDir, ec);
    const bool folderOk = fs::is_directory(options.outputDir, ec);
    const std::vector<BatchOutput> outputs =
        PlanBatchOutputs(options.outputDir, options.inputs, job.output.format);

    std::vector<int> status(count, kExitOk);
    RunParallel(count, options.jobs, bar, [&](std::size_t k, QuantSignal& signal) {
        FileOutcome outcome;
        if (!folderOk)
            outcome = {FileStatus::OutputFailed, "cannot create the folder " + options.outputDir};
        else if (!outputs[k].clash.empty())
            outcome = {FileStatus::OutputFailed, ClashReason(outputs[k])};
        else
            outcome = ReduceMeasured(bar, host, options, options.inputs[k], options.inputs[k],
                                     outputs[k].path, job, signal);
        status[k] = StatusOf(outcome);
        if (outcome.status != FileStatus::Ok) {
            ReportFailure(bar, options.inputs[k], outcome.reason);
        } else {
            if (!options.quiet) {
                std::lock_guard lock(g_printLock);
                bar.ClearLine();
                std::printf("%s -> %s\n", Printable(options.inputs[k]).c_str(),
                            Printable(outputs[k].path).c_str());
                std::fflush(stdout);
            }
            ReportDone(bar, options, options.inputs[k], outputs[k].path, outcome, true);
        }
    });
    return *std::max_element(status.begin(), status.end());
}

int RunInfo(const PluginHost& host, const CliOptions& options) {
    CProgressBar bar(false, 0, 0);
    int result = kExitOk;
    CStandardInput standardInput;
    for (const std::string& input : options.inputs) {
        std::string line;
        FileOutcome outcome;
        if (input == kStandardStream) {
            std::string reason;
            if (standardInput.Copy(reason))
                outcome = DescribeFile(host, standardInput.Path(), line);
            else
                outcome = {FileStatus::InputFailed, reason};
        } else {
            outcome = DescribeFile(host, input, line);
        }
        if (outcome.status != FileStatus::Ok) {
            ReportFailure(bar, input, outcome.reason);
            result = std::max(result, StatusOf(outcome));
            continue;
        }
        if (options.inputs.size() > 1)
            std::printf("%s: %s\n", Printable(input).c_str(), line.c_str());
        else
            std::printf("%s\n", line.c_str());
    }
    return result;
}
