// Time of writing a result as PNG against the time of reducing the picture, and the PNG's size:
//   xkorvo_png_bench PICTURE.bmp COLORS OUT.png
// Reduces the picture without dither to COLORS colours, writes the result as an indexed PNG
// and prints "reduce_seconds png_seconds png_bytes".
#include "export/indexed_picture.h"
#include "export/png_writer.h"
#include "image/bmp_file.h"
#include "quant/quant.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: xkorvo_png_bench PICTURE.bmp COLORS OUT.png\n");
        return 2;
    }
    BmpReadResult read = DibReadFile(argv[1]);
    if (read.error != BmpError::None) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    QuantSettings settings;
    settings.colorCount = std::atoi(argv[2]);
    auto graph = std::make_unique<CPixelArray>();
    auto quant = std::make_unique<CQuant>(settings);
    QuantSignal signal;
    graph->SetSource(&read.dib);
    auto start = std::chrono::steady_clock::now();
    if (quant->Quantize(*graph, signal, {}) != QuantResult::Done) {
        std::fprintf(stderr, "cannot reduce\n");
        return 1;
    }
    const double reduce = Seconds(start);
    const DibHandle result = graph->TakeResult();

    start = std::chrono::steady_clock::now();
    std::string reason;
    const IndexedPicture picture = ToIndexed(result, reason);
    std::vector<std::uint8_t> png;
    const bool written = WritePng(picture, {}, [&](const std::uint8_t* p, std::size_t n) {
        png.insert(png.end(), p, p + n);
        return true;
    });
    const double write = Seconds(start);
    if (!written) {
        std::fprintf(stderr, "cannot write PNG\n");
        return 1;
    }
    std::ofstream(argv[3], std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    std::printf("%.3f %.3f %zu\n", reduce, write, png.size());
    return 0;
}
