#include "cli/picture_job.h"

#include "cli/output_writer.h"
#include "export/quality.h"
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

DibHandle ReadPicture(const PluginHost& host, const std::string& path, std::string& reason) {
    PictureLoadResult loaded = LoadPicture(host, QFile::decodeName(path.c_str()));
    if (!loaded.dib)
        reason = loaded.reason.toStdString();
    return std::move(loaded.dib);
}

FileOutcome ReduceFile(const PluginHost& host, const std::string& input, const std::string& output,
                       const ReduceJob& job, QuantSignal& signal) {
    std::string reason;
    DibHandle dib = ReadPicture(host, input, reason);
    if (!dib)
        return {FileStatus::InputFailed, reason};
    signal.StageDone("read");

    DibHandle result;
    int transparentIndex = -1;
    {
        // Both live on the heap: the pixel array and the engine are large objects, and a batch
        // runs several of them on worker threads.
        std::unique_ptr<CPixelArray> graph(new (std::nothrow) CPixelArray);
        std::unique_ptr<CQuant> quant(new (std::nothrow) CQuant(job.settings));
        if (!graph || !quant)
            return {FileStatus::InputFailed, "cannot reduce: not enough memory"};
        if (job.palette)
            quant->SetFixedPalette(*job.palette);
        graph->SetSource(&dib);
        const QuantResult run = quant->Quantize(*graph, signal, {});
        if (run != QuantResult::Done)
            return {FileStatus::InputFailed, std::string("cannot reduce: ") + QuantResultText(run)};
        result = graph->TakeResult();
        transparentIndex = quant->TransparentIndex();
    }
    if (!job.stats)
        dib.reset(); // the source is needed no longer

    PictureOptions options = job.output;
    options.transparentIndex = transparentIndex;
    const OutputDone written = WriteResult(result, output, options);
    if (!written.ok)
        return {FileStatus::OutputFailed, written.reason};
    FileOutcome outcome;
    outcome.note = written.note;
    if (!job.paletteOut.empty()) {
        const OutputDone palette = WriteResultPalette(result, transparentIndex, job.paletteOut);
        if (!palette.ok)
            return {FileStatus::OutputFailed, palette.reason};
    }
    signal.StageDone("write");
    if (job.stats) {
        const QualityFigures figures = MeasureQuality(dib, result);
        outcome.stats = figures.failure.empty() ? QualityText(figures)
                                                : "no quality figures: " + figures.failure;
    }
    return outcome;
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
