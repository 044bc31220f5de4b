// Bitmap bytes through the whole picture path: read and entry check, unpack, pack a result,
// write it and read it back. Besides the sanitizers it checks that unpacked colours stay within
// 24 bits and that a written result reads back to the same indices.
#include "image/bmp_file.h"
#include "quant/pixel_array.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// Keeps runs fast; the limits themselves are covered by the unit tests.
constexpr std::uint64_t kMaxFuzzPixels = 1u << 20;

void Require(bool condition) {
    if (!condition)
        std::abort();
}

std::vector<std::uint8_t> WriteToMemory(DibHandle& dib) {
    std::vector<std::uint8_t> bytes;
    const bool ok = DibWriteFile(dib, [&](const std::uint8_t* p, std::size_t n) {
        bytes.insert(bytes.end(), p, p + n);
        return true;
    });
    return ok ? bytes : std::vector<std::uint8_t>();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    BmpReadResult read = DibReadMemory(data, size);
    if (read.error != BmpError::None)
        return 0;
    Require(DibValidate(read.dib) == DibStatus::Ok);
    const std::uint8_t* h = read.dib.data();
    if (std::uint64_t(DibGetWidth(h)) * std::uint64_t(DibGetHeight(h)) > kMaxFuzzPixels)
        return 0;
    (void)DibBuildPalette(read.dib);
    // Whatever the picture, writing it never reads past its block.
    std::vector<std::uint8_t> source = WriteToMemory(read.dib);
    if (!source.empty())
        Require(DibReadMemory(source.data(), source.size()).error == BmpError::None);

    CPixelArray graph;
    graph.SetSource(&read.dib);
    if (!graph.LoadPixels())
        return 0;
    const std::size_t count = std::size_t(graph.m_nWidth) * std::size_t(graph.m_nHeight);
    // Turn the colours into indices of a palette whose size comes from the input.
    const int colours = 1 + data[size - 1];
    graph.m_nColors = colours;
    for (int i = 0; i < colours; ++i)
        graph.m_palette[i] = static_cast<std::uint32_t>(i * 0x010101);
    for (std::size_t i = 0; i < count; ++i) {
        Require(graph.m_pPixels[i] <= 0xFFFFFF);
        graph.m_pPixels[i] %= static_cast<std::uint32_t>(colours);
    }
    Require(graph.BuildResultDib());
    DibHandle result = graph.TakeResult();
    Require(DibValidate(result) == DibStatus::Ok);

    std::vector<std::uint8_t> file = WriteToMemory(result);
    Require(!file.empty());
    BmpReadResult back = DibReadMemory(file.data(), file.size());
    Require(back.error == BmpError::None);
    CPixelArray again;
    again.SetSource(&back.dib);
    Require(again.LoadPixels());
    Require(again.m_nWidth == graph.m_nWidth && again.m_nHeight == graph.m_nHeight);
    for (std::size_t i = 0; i < count; ++i)
        Require(again.m_pPixels[i] == graph.m_pPixels[i] * 0x010101u);
    return 0;
}
