#include "platform/large_pages.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

constexpr const char* kVariable = "GLIBC_TUNABLES";
constexpr const char* kSetting = "glibc.malloc.hugetlb";
// Blocks of 4 MiB and more (pictures, the histogram's and the division's buffers) are mapped on
// their own and go back to the system when freed. Left to itself, the C library raises that
// threshold to the size of the largest block freed so far, so that after the histogram's key
// buffer the next blocks come from the heap, and what they leave there when freed stays with
// the process: on a picture of a million colours some 10 MiB at the division's peak.
constexpr const char* kMapSetting = "glibc.malloc.mmap_threshold";
constexpr const char* kMapFrom = "4194304";

} // namespace

void UseLargePages(char** argv) {
#if defined(__linux__) && defined(__GLIBC__)
    const char* tunables = std::getenv(kVariable);
    // Present in any form, the user's or ours: the decision is made, and a second start could
    // otherwise loop.
    if (tunables != nullptr && std::strstr(tunables, kSetting) != nullptr)
        return;
    std::string value = tunables != nullptr && *tunables != '\0' ? std::string(tunables) + ":" : "";
    value += kSetting;
    value += "=1";
    if (tunables == nullptr || std::strstr(tunables, kMapSetting) == nullptr) {
        value += ":";
        value += kMapSetting;
        value += "=";
        value += kMapFrom;
    }
    if (setenv(kVariable, value.c_str(), 1) != 0)
        return;
    // Started by its own path, not by /proc/self/exe: the process keeps the program's name (ps,
    // top, pkill) rather than "exe".
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0 || length >= static_cast<ssize_t>(sizeof path - 1))
        return;
    path[length] = '\0';
    execv(path, argv);
    // Not replaced (the program file gone, say): go on with ordinary pages.
#else
    (void)argv;
#endif
}
