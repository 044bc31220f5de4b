#include "cli/picture_job.h"

#include "image/bmp_file.h"
#include "pluginhost/picture_loader.h"
#include "pluginhost/plugin_registry.h"
#include "quant/color_count.h"
#include "quant/pixel_array.h"
#include "quant/quant.h"

#include <QFile>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <system_error>

DibHandle ReadPicture(const PluginHost& host, const std::string& path, std::string& reason) {
    PictureLoadResult loaded = LoadPicture(host, QFile::decodeName(path.c_str()));
    if (!loaded.dib)
        reason = loaded.reason.toStdString();
    return std::move(loaded.dib);
}

FileOutcome ReduceFile(const PluginHost& host, const std::string& input, const std::string& output,
                       const QuantSettings& settings, QuantSignal& signal) {
    std::string reason;
    DibHandle dib = ReadPicture(host, input, reason);
    if (!dib)
        return {FileStatus::InputFailed, reason};

    DibHandle result;
    {
        // Both live on the heap: the pixel array and the engine are large objects, and a batch
        // runs several of them on worker threads.
        std::unique_ptr<CPixelArray> graph(new (std::nothrow) CPixelArray);
        std::unique_ptr<CQuant> quant(new (std::nothrow) CQuant(settings));
        if (!graph || !quant)
            return {FileStatus::InputFailed, "cannot reduce: not enough memory"};
        graph->SetSource(&dib);
        const QuantResult run = quant->Quantize(*graph, signal, {});
        if (run != QuantResult::Done)
            return {FileStatus::InputFailed, std::string("cannot reduce: ") + QuantResultText(run)};
        result = graph->TakeResult();
    }
    dib.reset();

    std::error_code why;
    const SaveResult saved = DibSaveFile(result, output, &why);
    if (saved == SaveResult::Ok)
        return {};
    return {FileStatus::OutputFailed, "cannot write " + output + ": " + SaveResultText(saved, why)};
}

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
