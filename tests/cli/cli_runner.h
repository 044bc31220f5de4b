// Runs the built xkorvo-cli in a child process for the end-to-end tests, with a private settings
// folder, and collects its exit status and what it printed.
#pragma once

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace clitest {

struct Result {
    int status = -1;
    std::string out, err;
};

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs the program with `args` in the folder `dir` (which also holds its settings and what it
// prints); `in`, when given, becomes its standard input; `fileLimit` > 0 caps the size of files
// it may write.
inline Result RunProgram(const std::filesystem::path& dir, const std::vector<std::string>& args,
                         const std::string& in = "", long fileLimit = 0) {
    const std::filesystem::path out = dir / "stdout.bin", err = dir / "stderr.txt";
    const std::string program = std::string(XKORVO_BIN_DIR) + "/xkorvo-cli";
    const pid_t pid = fork();
    if (pid == 0) {
        if (!freopen(out.c_str(), "w", stdout) || !freopen(err.c_str(), "w", stderr) ||
            (!in.empty() && !freopen(in.c_str(), "r", stdin)))
            _exit(127);
        // Settings and plug-in state of the user running the tests stay out of it.
        setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
        // A program that hangs (on a FIFO, say) ends instead of stopping the tests.
        alarm(600);
        if (fileLimit > 0) {
            signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of killing
            rlimit limit{static_cast<rlim_t>(fileLimit), static_cast<rlim_t>(fileLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    Result r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadText(out);
    r.err = ReadText(err);
    return r;
}

// A test's own folder, emptied before it and removed after it, in which the program runs.
class FolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = std::filesystem::temp_directory_path() /
                ("xkorvo-cli-" + std::to_string(getpid()) + "-" + test->test_suite_name() + "-" +
                 test->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    Result Run(const std::vector<std::string>& args, const std::string& in = "",
               long fileLimit = 0) const {
        return RunProgram(m_dir, args, in, fileLimit);
    }

    std::filesystem::path m_dir;
};

} // namespace clitest
