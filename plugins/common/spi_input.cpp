#include "common/spi_input.h"

#include "pluginhost/plugin_abi.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace spi {

namespace {

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

    std::FILE* file = std::fopen(buf, "rb");
    if (!file)
        return SPI_ERR_FILE;
    int result = SPI_ERR_FILE;
    long end = 0;
    if (std::fseek(file, 0, SEEK_END) == 0 && (end = std::ftell(file)) >= 0 && end >= len &&
        std::fseek(file, len, SEEK_SET) == 0) {
        const std::size_t size = std::size_t(end - len);
        if (size > kMaxInputBytes) {
            result = SPI_ERR_MEMORY;
        } else if (auto* owned = static_cast<unsigned char*>(std::malloc(size ? size : 1))) {
            if (std::fread(owned, 1, size, file) == size) {
                m_owned = owned;
                m_data = owned;
                m_size = size;
                result = SPI_SUCCESS;
            } else {
                std::free(owned);
            }
        } else {
            result = SPI_ERR_MEMORY;
        }
    }
    std::fclose(file);
    return result;
}

} // namespace spi
