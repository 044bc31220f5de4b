// The mapping methods behind MapPixels, one file each, and the helpers they share.
#pragma once

#include "mapping/pixel_mapping.h"

#include <algorithm>
#include <cstdint>

[[nodiscard]] StageResult MapNearest(const MapJob& job);
[[nodiscard]] StageResult PeanoWalk(const MapJob& job);
[[nodiscard]] StageResult ErrorDiffusion(const MapJob& job, bool averageError);
[[nodiscard]] StageResult PatternDither(const MapJob& job);

namespace mapping {

inline int Clamp(std::int64_t e, int limit) {
    return static_cast<int>(std::clamp<std::int64_t>(e, -limit, limit));
}

// End-of-row bookkeeping of the row-wise methods: a cancel request ends the mapping, otherwise
// progress moves to 800 + 200 * y / height.
inline bool RowDone(const MapJob& job, int y) {
    if (job.signal->Cancelled())
        return false;
    job.signal->SetProgress(
        static_cast<int>(800 + (200 * static_cast<std::int64_t>(y)) / job.height));
    return true;
}

} // namespace mapping
