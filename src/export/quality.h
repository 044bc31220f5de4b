// How close a result picture is to its source: the colour count of the result, PSNR over all
// red, green and blue samples (8-bit, peak 255) and the mean CIEDE2000 difference per pixel.
#pragma once

#include "image/dib.h"

#include <string>

struct QualityFigures {
    int colorCount = 0;    // distinct colours among the result's pixels
    double psnr = 0;       // decibels; infinite when the pictures are equal
    double meanDeltaE = 0; // mean CIEDE2000 over all pixels
    std::string failure;   // why there are no figures; empty when there are
};

// Both pictures are unpacked as the engine unpacks its sources; they must be the same size.
[[nodiscard]] QualityFigures MeasureQuality(const DibHandle& source, const DibHandle& result);

// "N colors, PSNR x.xx dB, mean CIEDE2000 y.yyy" (PSNR "inf" for equal pictures).
[[nodiscard]] std::string QualityText(const QualityFigures& figures);
