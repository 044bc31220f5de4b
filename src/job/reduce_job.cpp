#include "job/reduce_job.h"

#include "export/palette_file.h"
#include "export/quality.h"
#include "job/output_writer.h"
#include "pluginhost/picture_loader.h"
#include "pluginhost/plugin_registry.h"
#include "quant/pixel_array.h"
#include "quant/quant.h"

#include <QFile>
#include <filesystem>
#include <map>
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

std::vector<std::uint32_t> ReadRunPalette(const PluginHost& host, const std::string& path,
                                          std::string& reason) {
    PaletteRead read;
    if (PaletteFormatOf(path)) {
        read = ReadPaletteFile(path);
    } else {
        DibHandle picture = ReadPicture(host, path, read.error);
        if (picture)
            read = PaletteFromPicture(picture);
    }
    if (!read.error.empty()) {
        reason = "not a usable palette: " + read.error;
        return {};
    }
    return std::move(read.palette.colors);
}

std::vector<BatchOutput> PlanBatchOutputs(const std::string& folder,
                                          const std::vector<std::string>& inputs,
                                          PictureFormat format) {
    namespace fs = std::filesystem;
    const std::string extension = std::string(".") + PictureExtension(format);
    std::vector<BatchOutput> outputs(inputs.size());
    std::map<std::string, std::string> taken;
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        outputs[k].path = (fs::path(folder) / fs::path(inputs[k]).stem()).string() + extension;
        auto [it, inserted] = taken.emplace(outputs[k].path, inputs[k]);
        if (!inserted)
            outputs[k].clash = it->second;
    }
    return outputs;
}

std::string ClashReason(const BatchOutput& output) {
    return output.path + " is already the output of " + output.clash;
}
