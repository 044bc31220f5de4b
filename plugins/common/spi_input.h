// What every plug-in does the same way: answering GetPluginInfo from its four texts, and getting
// the picture's bytes from a file (flag 0) or from memory (flag 1).
#pragma once

#include <cstddef>

namespace spi {

struct PluginTexts {
    const char* name;        // info 1
    const char* pattern;     // info 2, e.g. "*.png"
    const char* description; // info 3
};

// GetPluginInfo for a plug-in with one file pattern: 0 gives the import version text.
int PluginInfo(const PluginTexts& texts, int infono, char* buf, int buflen);

// Input files larger than this are refused; no picture a plug-in accepts needs more.
inline constexpr std::size_t kMaxInputBytes = std::size_t{1} << 30;

// The picture's bytes. `data` points into the caller's memory (flag 1) or, for a file (flag 0),
// into a copy of it from the given offset on, or into a read-only mapping of it when it is
// large; the destructor releases either.
class Input {
public:
    Input() = default;
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;
    ~Input();

    // Fills the input from GetPicture's first three arguments; an SPI_* result code.
    int Open(const char* buf, long len, unsigned int flag);

    const unsigned char* data() const { return m_data; }
    std::size_t size() const { return m_size; }

private:
    int OpenFile(int fd, long offset);

    unsigned char* m_owned = nullptr;
    void* m_mapped = nullptr;
    std::size_t m_mappedSize = 0;
    const unsigned char* m_data = nullptr;
    std::size_t m_size = 0;
};

} // namespace spi
