// --timings: how long each stage of a file's reduction took, in wall-clock and processor time,
// and how much memory the process held at its end and at most during it. Stages are reported
// as they end (reading the file, the engine's stages, writing the result); memory figures are
// the whole process's, so with several files at once (-j) they are shared.
#pragma once

#include <chrono>
#include <functional>
#include <string>

class CStageTimings {
public:
    // `print` receives each finished line (without its line feed).
    explicit CStageTimings(std::function<void(const std::string&)> print);

    // Ends the stage that started at the previous report (or at construction) and prints it.
    void StageDone(const char* stage);
    // Prints the whole file's figures: the sum of the stages, the largest peak.
    void Finish();

private:
    struct Clock {
        std::chrono::steady_clock::time_point wall;
        double cpuSeconds = 0;
    };
    static Clock Now();
    void Print(const char* stage, const Clock& from, const Clock& to, double heldMb, double peakMb);

    std::function<void(const std::string&)> m_print;
    Clock m_start, m_last;
    double m_peakMb = 0;
};
