#include "cli/picture_job.h"

#include "image/dib.h"
#include "quant/color_count.h"
#include "quant/pixel_array.h"

#include <cstdio>

FileOutcome DescribeFile(const PluginHost& host, const std::string& input, std::string& line) {
    std::string reason;
    const DibHandle dib = ReadPicture(host, input, reason);
    if (!dib)
        return {FileStatus::InputFailed, reason};
    const int distinct = CountDistinctColors(dib);
    if (distinct < 0) {
        const char* refusal = UnpackRefusal(&dib);
        return {FileStatus::InputFailed, std::string("cannot unpack the picture: ") +
                                             (refusal ? refusal : "not enough memory")};
    }
    char text[80];
    std::snprintf(text, sizeof text, "%dx%d, %d colors.", DibGetWidth(dib.data()),
                  DibGetHeight(dib.data()), distinct);
    line = text;
    return {};
}
