#include "common/spi_input.h"

#include "pluginhost/plugin_abi.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace spi {

namespace {

// Files from this size on are mapped instead of copied into memory.
constexpr std::size_t kMapFrom = std::size_t{16} << 20;

int CopyText(const char* text, char* buf, int buflen) {
    if (!buf || buflen <= 0)
        return 0;
    std::size_t n = std::strlen(text);
    if (n > std::size_t(buflen - 1))
        n = std::size_t(buflen - 1);
    std::memcpy(buf, text, n);
    buf[n] = '\0';
    return int(n);
}

} // namespace

int PluginInfo(const PluginTexts& texts, int infono, char* buf, int buflen) {
    switch (infono) {
    case SPI_INFO_VERSION:
        return CopyText("00IN", buf, buflen);
    case SPI_INFO_NAME:
        return CopyText(texts.name, buf, buflen);
    case 2:
        return CopyText(texts.pattern, buf, buflen);
    case 3:
        return CopyText(texts.description, buf, buflen);
    default:
        return 0;
    }
}

Input::~Input() {
    std::free(m_owned);
    if (m_mapped)
        ::munmap(m_mapped, m_mappedSize);
}

int Input::Open(const char* buf, long len, unsigned int flag) {
    if (!buf || len < 0)
        return SPI_ERR_NOT_SUPPORTED;
    switch (flag & SPI_INPUT_MASK) {
    case SPI_INPUT_MEMORY:
        if (std::size_t(len) > kMaxInputBytes)
            return SPI_ERR_MEMORY;
        m_data = reinterpret_cast<const unsigned char*>(buf);
        m_size = std::size_t(len);
        return SPI_SUCCESS;
    case SPI_INPUT_FILE:
        break;
    default:
        return SPI_ERR_NOT_SUPPORTED;
    }

    const int fd = ::open(buf, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return SPI_ERR_FILE;
    const int result = OpenFile(fd, len);
    ::close(fd);
    return result;
}

int Input::OpenFile(int fd, long offset) {
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < offset)
        return SPI_ERR_FILE;
    const std::size_t size = std::size_t(info.st_size - offset);
    if (size > kMaxInputBytes)
        return SPI_ERR_MEMORY;

    // A large file is mapped rather than copied: the decoders read only what the picture
    // needs, so bytes after it (or a file padded to gigabytes) take no memory.
    if (size >= kMapFrom) {
        const long page = ::sysconf(_SC_PAGESIZE);
        const long start = page > 0 ? offset / page * page : 0;
        const std::size_t length = size + std::size_t(offset - start);
        void* mapped = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, off_t(start));
        if (mapped != MAP_FAILED) {
            m_mapped = mapped;
            m_mappedSize = length;
            m_data = static_cast<const unsigned char*>(mapped) + (offset - start);
            m_size = size;
            return SPI_SUCCESS;
        }
    }

    auto* owned = static_cast<unsigned char*>(std::malloc(size ? size : 1));
    if (!owned)
        return SPI_ERR_MEMORY;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, owned + done, size - done, off_t(offset) + off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += std::size_t(n);
    }
    if (done != size) {
        std::free(owned);
        return SPI_ERR_FILE;
    }
    m_owned = owned;
    m_data = owned;
    m_size = size;
    return SPI_SUCCESS;
}

} // namespace spi
