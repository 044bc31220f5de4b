#include "image/file_replace.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <unistd.h>
#include <utility>

namespace {

// The last system error, as an error code.
std::error_code LastError() {
    return {errno, std::generic_category()};
}

class TempFile {
public:
    explicit TempFile(std::filesystem::path path) : m_path(std::move(path)) {}
    ~TempFile() {
        if (m_file)
            std::fclose(m_file);
        if (!m_kept) {
            std::error_code ec;
            std::filesystem::remove(m_path, ec);
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    bool Open(std::error_code& error) {
        m_file = std::fopen(m_path.c_str(), "wbx"); // never reuse an existing name
        if (!m_file)
            error = LastError();
        return m_file != nullptr;
    }
    bool Write(const std::uint8_t* p, std::size_t n, std::error_code& error) {
        if (std::fwrite(p, 1, n, m_file) == n)
            return true;
        error = LastError();
        return false;
    }
    // Flushes the data to the disk and closes the file; false, with the first error, on any.
    bool Finish(std::error_code& error) {
        std::FILE* f = std::exchange(m_file, nullptr);
        if (std::fflush(f) != 0 || ::fsync(fileno(f)) != 0) {
            error = LastError();
            std::fclose(f);
            return false;
        }
        if (std::fclose(f) != 0) {
            error = LastError();
            return false;
        }
        return true;
    }
    void Keep() { m_kept = true; }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
    std::FILE* m_file = nullptr;
    bool m_kept = false;
};

// Where saving to `path` writes: the path itself or, when it is a symbolic link, the file the
// chain of links leads to, which need not exist yet. Nothing on a loop of links.
std::optional<std::filesystem::path> SaveTarget(std::filesystem::path path,
                                                std::error_code& error) {
    constexpr int kMaxLinks = 40; // as many as the system follows when it opens a path
    for (int links = 0; links <= kMaxLinks; ++links) {
        const auto status = std::filesystem::symlink_status(path, error);
        if (!std::filesystem::is_symlink(status)) {
            error.clear(); // a path that does not exist yet is a file to create
            return path;
        }
        const std::filesystem::path next = std::filesystem::read_symlink(path, error);
        if (error)
            return std::nullopt;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    error = std::make_error_code(std::errc::too_many_symbolic_link_levels);
    return std::nullopt;
}

std::filesystem::path TempNameBeside(const std::filesystem::path& target) {
    static std::mt19937_64 random{std::random_device{}()};
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(random()));
    std::filesystem::path name = target;
    name += suffix;
    return name;
}

} // namespace

SaveResult SaveReplacing(const std::string& path, const std::function<bool(const ByteSink&)>& write,
                         std::error_code* why) {
    std::error_code unused;
    std::error_code& error = why ? *why : unused;
    error.clear();
    // Saving through a symbolic link replaces (or creates) the file it points to and keeps the
    // link. Only a regular file is ever replaced: renaming over a device, a pipe or a socket
    // would put a plain file in its place.
    const std::optional<std::filesystem::path> target = SaveTarget(path, error);
    if (!target)
        return SaveResult::FileError;
    const auto existing = std::filesystem::status(*target, error);
    const bool exists = std::filesystem::exists(existing);
    error.clear();
    if (exists && !std::filesystem::is_regular_file(existing))
        return SaveResult::NotAFile;
    // Replacing goes through the folder, which would also replace a file the user may not write.
    if (exists && ::access(target->c_str(), W_OK) != 0) {
        error = LastError();
        return SaveResult::FileError;
    }

    TempFile temp(TempNameBeside(*target));
    if (!temp.Open(error))
        return SaveResult::FileError;
    bool sinkFailed = false;
    const bool written = write([&](const std::uint8_t* p, std::size_t n) {
        sinkFailed = !temp.Write(p, n, error);
        return !sinkFailed;
    });
    if (!written)
        return sinkFailed ? SaveResult::FileError : SaveResult::NotWritable;
    if (!temp.Finish(error))
        return SaveResult::FileError;
    if (exists) {
        std::filesystem::permissions(temp.path(), existing.permissions(),
                                     std::filesystem::perm_options::replace, error);
        if (error)
            return SaveResult::FileError;
    }
    std::filesystem::rename(temp.path(), *target, error);
    if (error)
        return SaveResult::FileError;
    temp.Keep();
    return SaveResult::Ok;
}
