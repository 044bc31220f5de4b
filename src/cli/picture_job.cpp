#include "cli/picture_job.h"

#include "cli/output_writer.h"
#include "export/quality.h"
#include "image/bmp_file.h"
#include "pluginhost/picture_loader.h"
#include "quant/pixel_array.h"
#include "quant/quant.h"

#include <QFile>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>

DibHandle ReadPicture(const std::string& path, std::string& reason) {
    PluginPicture byPlugin = LoadPictureByPlugin(QFile::decodeName(path.c_str()));
    if (byPlugin.dib)
        return std::move(byPlugin.dib);
    BmpReadResult read = DibReadFile(path);
    if (read.error == BmpError::None)
        return std::move(read.dib);
    reason = PictureFailureText(byPlugin.failure, read);
    return {};
}

FileOutcome ReduceFile(const std::string& input, const std::string& output, const ReduceJob& job,
                       QuantSignal& signal) {
    std::string reason;
    DibHandle dib = ReadPicture(input, reason);
    if (!dib)
        return {FileStatus::InputFailed, reason};

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
    if (job.stats) {
        const QualityFigures figures = MeasureQuality(dib, result);
        outcome.stats = figures.failure.empty() ? QualityText(figures)
                                                : "no quality figures: " + figures.failure;
    }
    return outcome;
}

FileOutcome DescribeFile(const std::string& input, std::string& line) {
    std::string reason;
    DibHandle dib = ReadPicture(input, reason);
    if (!dib)
        return {FileStatus::InputFailed, reason};
    CPixelArray graph;
    graph.SetSource(&dib);
    if (!graph.LoadPixels())
        return {FileStatus::InputFailed, "cannot unpack the picture"};

    // One bit for each of the 16777216 possible colours: 2 MB.
    std::unique_ptr<std::uint8_t[]> seen(new (std::nothrow) std::uint8_t[2097152]());
    if (!seen)
        return {FileStatus::InputFailed, "not enough memory"};
    const std::size_t count =
        static_cast<std::size_t>(graph.m_nWidth) * static_cast<std::size_t>(graph.m_nHeight);
    int distinct = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint32_t v = graph.m_pPixels[k] & 0xFFFFFF;
        std::uint8_t& byte = seen[v >> 3];
        const std::uint8_t bit = static_cast<std::uint8_t>(1u << (v & 7));
        if ((byte & bit) == 0) {
            byte |= bit;
            ++distinct;
        }
    }
    char text[80];
    std::snprintf(text, sizeof text, "%dx%d, %d colors.", graph.m_nWidth, graph.m_nHeight,
                  distinct);
    line = text;
    return {};
}
