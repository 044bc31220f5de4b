#include "cli/stage_timings.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

constexpr double kMb = 1024.0 * 1024.0;

// Memory the process holds now (resident set), in MiB; 0 where the system does not say.
double HeldMb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    if (!(statm >> pages >> resident))
        return 0;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / kMb;
}

// The most the process has held since the last reset, in MiB; then starts counting anew, so the
// next figure is the next stage's own peak. 0 where the system does not say.
double TakePeakMb() {
    double peak = 0;
    {
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("VmHWM:", 0) == 0)
                peak = std::stod(line.substr(6)) / 1024.0; // in kB
    }
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5"; // resets the peak to what is held now
    return peak;
}

} // namespace

CStageTimings::CStageTimings(std::function<void(const std::string&)> print)
    : m_print(std::move(print)) {
    TakePeakMb();
    m_start = m_last = Now();
}

CStageTimings::Clock CStageTimings::Now() {
    Clock c;
    c.wall = std::chrono::steady_clock::now();
    timespec cpu{};
    if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu) == 0)
        c.cpuSeconds = double(cpu.tv_sec) + double(cpu.tv_nsec) / 1e9;
    return c;
}

void CStageTimings::StageDone(const char* stage) {
    const Clock now = Now();
    const double held = HeldMb();
    const double peak = std::max(TakePeakMb(), held);
    m_peakMb = std::max(m_peakMb, peak);
    Print(stage, m_last, now, held, peak);
    m_last = Now(); // reading the figures is not part of the next stage
}

void CStageTimings::Finish() {
    Print("total", m_start, Now(), HeldMb(), m_peakMb);
}

void CStageTimings::Print(const char* stage, const Clock& from, const Clock& to, double heldMb,
                          double peakMb) {
    const double wallMs = std::chrono::duration<double, std::milli>(to.wall - from.wall).count();
    char line[160];
    std::snprintf(line, sizeof line,
                  "timings: %-11s %9.1f ms  cpu %9.1f ms  held %8.1f MiB  peak %8.1f MiB", stage,
                  wallMs, (to.cpuSeconds - from.cpuSeconds) * 1000.0, heldMb, peakMb);
    m_print(line);
}
