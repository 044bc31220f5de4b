#include "colorspace/pixel_mapping.h"

#include "colorspace/mapping_methods.h"

StageResult MapPixels(const MapJob& job) {
    switch (job.ditherMode) {
    case 1:
        return PeanoWalk(job);
    case 2:
        return ErrorDiffusion(job, false);
    case 3:
        return ErrorDiffusion(job, true);
    case 4:
        return PatternDither(job);
    default:
        return MapNearest(job);
    }
}

StageResult MapNearest(const MapJob& job) {
    const std::uint32_t* pixel = job.pixels;
    std::uint8_t* index = job.indices;
    for (int y = 0; y < job.height; ++y) {
        for (int x = 0; x < job.width; ++x, ++pixel, ++index) {
            if (*pixel == job.transColor) {
                *index = static_cast<std::uint8_t>(job.transIndex);
                continue;
            }
            SpacePoint t;
            job.space->RgbToSpace(t, *pixel);
            *index = static_cast<std::uint8_t>(job.nearest->FindNearest(t.yb, t.cr, t.luma));
        }
        if (!mapping::RowDone(job, y))
            return StageResult::Cancelled;
    }
    return StageResult::Ok;
}
