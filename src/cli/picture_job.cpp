#include "cli/picture_job.h"

#include "image/bmp_file.h"
#include "pluginhost/picture_loader.h"
#include "quant/pixel_array.h"
#include "quant/quant.h"

#include <QFile>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <system_error>

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

FileOutcome ReduceFile(const std::string& input, const std::string& output,
                       const QuantSettings& settings, QuantSignal& signal) {
    std::string reason;
    DibHandle dib = ReadPicture(input, reason);
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
