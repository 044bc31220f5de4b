// Fuzz target for one decoder plug-in, linked in directly: its memory input (flag 1) with any
// bytes. A picture it delivers must be a 40-byte header whose colour table and pixel rows fit
// the blocks it handed over; anything else is a fault of the plug-in.
#include "pluginhost/plugin_abi.h"

#include <cstdint>
#include <cstdlib>
#include <malloc.h>

namespace {

std::uint32_t U32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}

void CheckPicture(const std::uint8_t* info, const std::uint8_t* bits) {
    const std::size_t infoSize = malloc_usable_size(const_cast<std::uint8_t*>(info));
    const std::size_t bitsSize = malloc_usable_size(const_cast<std::uint8_t*>(bits));
    if (infoSize < 40 || U32(info) != 40)
        std::abort();
    const auto width = std::int32_t(U32(info + 4));
    const auto height = std::int32_t(U32(info + 8));
    const unsigned bitCount = info[14] | (info[15] << 8);
    if (width <= 0 || height <= 0 || (bitCount != 8 && bitCount != 24))
        std::abort();
    const std::uint64_t stride = (std::uint64_t(width) * bitCount + 31) / 32 * 4;
    if (bitsSize < stride * std::uint64_t(height) || (bitCount == 8 && infoSize < 40 + 1024))
        std::abort();
}

int NoProgress(int, int, long) {
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static char probe[2048];
    for (std::size_t i = 0; i < sizeof probe; ++i)
        probe[i] = i < size ? char(data[i]) : 0;
    (void)IsSupported("fuzz", probe);

    void* info = nullptr;
    void* bits = nullptr;
    if (GetPicture(reinterpret_cast<const char*>(data), long(size), SPI_INPUT_MEMORY, &info, &bits,
                   NoProgress, 0) == SPI_SUCCESS) {
        CheckPicture(static_cast<const std::uint8_t*>(info),
                     static_cast<const std::uint8_t*>(bits));
        std::free(info);
        std::free(bits);
    }
    return 0;
}
