// The figures of xkorvo-cli --stats for any result, whoever made it:
//   xkorvo_quality SOURCE.bmp RESULT.bmp
// prints "colors psnr mean_ciede2000" for RESULT against SOURCE, so that bench/run can put the
// quality of other reducers' results beside xKorvo's, measured the same way.
#include "export/quality.h"
#include "image/bmp_file.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: xkorvo_quality SOURCE.bmp RESULT.bmp\n");
        return 2;
    }
    BmpReadResult source = DibReadFile(argv[1]);
    BmpReadResult result = DibReadFile(argv[2]);
    if (source.error != BmpError::None || result.error != BmpError::None) {
        std::fprintf(stderr, "cannot read %s\n", argv[source.error != BmpError::None ? 1 : 2]);
        return 1;
    }
    const QualityFigures figures = MeasureQuality(source.dib, result.dib);
    if (!figures.failure.empty()) {
        std::fprintf(stderr, "%s\n", figures.failure.c_str());
        return 1;
    }
    std::printf("%d %.3f %.4f\n", figures.colorCount, figures.psnr, figures.meanDeltaE);
    return 0;
}
