#include "cli/standard_input.h"

#include "image/bmp_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <unistd.h>
#include <vector>

CStandardInput::~CStandardInput() {
    if (!m_path.empty())
        ::unlink(m_path.c_str());
}

bool CStandardInput::Copy(std::string& reason) {
    std::error_code ec;
    std::string name = (std::filesystem::temp_directory_path(ec) / "xkorvo-stdin-XXXXXX").string();
    if (ec)
        name = "/tmp/xkorvo-stdin-XXXXXX";
    std::vector<char> pattern(name.begin(), name.end());
    pattern.push_back('\0');
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        reason = std::string("cannot create a temporary file for standard input: ") +
                 std::strerror(errno);
        return false;
    }
    m_path = pattern.data();
    const auto close = [](std::FILE* f) { std::fclose(f); };
    const std::unique_ptr<std::FILE, decltype(close)> file(::fdopen(fd, "wb"), close);
    if (!file) {
        ::close(fd);
        reason = "cannot write a temporary file for standard input";
        return false;
    }
    std::vector<char> buffer(std::size_t{1} << 20);
    std::uint64_t total = 0;
    for (;;) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), stdin);
        total += got;
        if (total > kMaxBitmapFileBytes) {
            reason = "standard input holds more than " + std::to_string(kMaxBitmapFileBytes) +
                     " bytes, the largest picture file the program reads";
            return false;
        }
        if (got > 0 && std::fwrite(buffer.data(), 1, got, file.get()) != got) {
            reason = std::string("cannot write a temporary file for standard input: ") +
                     std::strerror(errno);
            return false;
        }
        if (got < buffer.size()) {
            if (std::ferror(stdin)) {
                reason = "cannot read standard input";
                return false;
            }
            break;
        }
    }
    if (std::fflush(file.get()) != 0) {
        reason = "cannot write a temporary file for standard input";
        return false;
    }
    if (total == 0) {
        reason = "standard input is empty";
        return false;
    }
    return true;
}
