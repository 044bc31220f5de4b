#include "quant/quant.h"

#include "mapping/color_space.h"
#include "mapping/nearest_search.h"
#include "mapping/pixel_mapping.h"
#include "quant/color_entry.h"
#include "quant/color_histogram.h"
#include "quant/fixed_palette.h"
#include "quant/palette_division.h"
#include "quant/palette_finish.h"
#include "quant/palette_refine.h"
#include "quant/palette_slot.h"
#include "runcontrol/row_bands.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace {

// Calls the completion callback once when the run leaves Quantize, whichever way it leaves.
class DoneOnExit {
public:
    explicit DoneOnExit(const std::function<void()>& done) : m_done(done) {}
    ~DoneOnExit() {
        if (m_done)
            m_done();
    }
    DoneOnExit(const DoneOnExit&) = delete;
    DoneOnExit& operator=(const DoneOnExit&) = delete;

private:
    const std::function<void()>& m_done;
};

QuantResult FromStage(StageResult result) {
    switch (result) {
    case StageResult::Ok:
        return QuantResult::Done;
    case StageResult::Cancelled:
        return QuantResult::Cancelled;
    case StageResult::OutOfMemory:
        break;
    }
    return QuantResult::OutOfMemory;
}

// Settings the control panel can produce; anything else would index past a table or a corner.
bool SettingsUsable(const QuantSettings& s) {
    return s.colorCount >= 2 && s.colorCount <= 256 && s.Target() >= 0 && s.ditherMode >= 0 &&
           s.ditherMode <= 4 && s.ditherLevel >= 0 && s.ditherLevel <= 10 && s.add16 >= 0 &&
           s.add16 <= 1 && s.transPosition >= -1 && s.transPosition <= 3 && s.inputMask >= 0 &&
           s.inputMask <= 255 && s.refinePasses >= 0 && s.refinePasses <= kMaxRefinePasses;
}

// The raw value of the corner pixel that gives the transparent colour, x from the left and y
// from the top; 0x1000000, which no pixel equals, when there is no transparent entry.
std::uint32_t TransparentColor(const PixelRows& pixels, int width, int height, int transPosition) {
    if (transPosition < 0)
        return 0x1000000;
    const int x = (transPosition == 2 || transPosition == 3) ? width - 1 : 0;
    const int y = (transPosition == 1 || transPosition == 3) ? height - 1 : 0;
    return pixels.At(x, y);
}

// The source's pixels: read in place when the picture allows it, else unpacked into the pixel
// array. An empty view when the source cannot be unpacked.
PixelRows SourcePixels(CPixelArray& graph) {
    const PixelRows inPlace = SourceRowsInPlace(graph.m_hSource);
    if (inPlace) {
        graph.FreePixels();
        const std::uint8_t* h = graph.m_hSource->data();
        graph.m_nWidth = DibGetWidth(h);
        graph.m_nHeight = DibGetHeight(h);
        graph.m_nBitCount = 24;
        graph.m_nColors = 0;
        return inPlace;
    }
    if (!graph.LoadPixels() || graph.m_pPixels == nullptr)
        return {};
    return PixelRows(graph.m_pPixels, graph.m_nWidth);
}

// The working buffers of one run. Their destructors free whatever is still held when the run
// ends, on every path.
struct RunBuffers {
    std::vector<ColorEntry> entries;
    std::unique_ptr<CNearestSearch> nearest;
    std::unique_ptr<std::uint8_t[]> indices;
};

// Every exit but the finished one leaves the pixel array without a result.
QuantResult EndWithout(CPixelArray& graph, QuantResult why) {
    graph.m_hResult.reset();
    graph.FreePixels();
    return why;
}

// Steps 5 and 6: maps every pixel onto the finished palette and leaves the result picture in the
// pixel array. `order`, when given, puts search position i at index order[i] of the result
// palette.
QuantResult MapAndPack(CPixelArray& graph, const PixelRows& pixels, const FinishedPalette& palette,
                       int colorCount, const std::uint8_t* order, const QuantSettings& settings,
                       std::uint32_t transColor, const CColorSpace& space, QuantSignal& signal,
                       RunBuffers& buffers) {
    const int width = graph.m_nWidth;
    const int height = graph.m_nHeight;
    const std::size_t pixelCount =
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    // The palette picture: the slots' colours, and one index per pixel.
    for (int i = 0; i < colorCount; ++i)
        graph.m_palette[order ? order[i] : i] = palette.slots[i].color;
    graph.m_nColors = colorCount;
    graph.m_nBitCount = colorCount < 3 ? 1 : colorCount < 17 ? 4 : 8;

    MapJob job;
    // An 8-bit result holds one index byte per pixel: the mapping writes straight into its rows.
    // Fewer bits pack several indices into a byte, so those are mapped into a buffer and packed
    // afterwards. Either is taken only from here on, out of the histogram's peak.
    const bool inPlace = graph.m_nBitCount == 8;
    if (inPlace) {
        const CPixelArray::ResultRows rows = graph.AllocateResultDib();
        job.indices = rows.top;
        job.indexStride = rows.step;
    } else {
        buffers.indices.reset(new (std::nothrow) std::uint8_t[pixelCount]);
        job.indices = buffers.indices.get();
        job.indexStride = width;
    }
    buffers.nearest.reset(new (std::nothrow) CNearestSearch);
    if (!job.indices || !buffers.nearest ||
        !buffers.nearest->SetPalette(palette.points, palette.searchCount))
        return EndWithout(graph, QuantResult::OutOfMemory);

    job.pixels = pixels;
    job.width = width;
    job.height = height;
    job.space = &space;
    job.nearest = buffers.nearest.get();
    job.transColor = transColor;
    job.transIndex = palette.transparentIndex >= 0 ? palette.transparentIndex : 0;
    for (int a = 0; a < 3; ++a)
        job.limits[a] = palette.errorLimit[a];
    job.ditherMode = settings.ditherMode;
    job.ditherLevel = settings.ditherLevel;
    job.signal = &signal;
    const StageResult stage = MapPixels(job);
    buffers.nearest.reset(); // every candidate list goes with it
    if (stage != StageResult::Ok)
        return EndWithout(graph, FromStage(stage));

    graph.FreePixels();
    if (inPlace) {
        graph.FinishResultRows(order);
    } else {
        if (order)
            for (std::size_t k = 0; k < pixelCount; ++k)
                buffers.indices[k] = order[buffers.indices[k]];
        const bool packed = graph.BuildResultDib(buffers.indices.get());
        buffers.indices.reset();
        if (!packed)
            return EndWithout(graph, QuantResult::OutOfMemory);
    }
    signal.StageDone("mapping");
    return QuantResult::Done;
}

} // namespace

QuantResult CQuant::Quantize(CPixelArray& graph, QuantSignal& signal,
                             const std::function<void()>& done) {
    DoneOnExit announce(done);
    // Declared after `announce`, so freed before the end is announced.
    RunBuffers buffers;
    auto endWithout = [&](QuantResult why) { return EndWithout(graph, why); };

    m_transparentIndex = -1;
    if (!SettingsUsable(m_settings))
        return endWithout(QuantResult::BadSettings);
    const PixelRows pixels = SourcePixels(graph);
    if (!pixels)
        return endWithout(QuantResult::Unreadable);
    signal.m_bCancel.store(0, std::memory_order_relaxed);
    signal.SetProgress(5);

    const int width = graph.m_nWidth;
    const int height = graph.m_nHeight;
    if (width <= 0 || height <= 0)
        return endWithout(QuantResult::Unreadable);
    signal.StageDone("pixel array");

    const int target = m_settings.Target();
    const std::uint32_t transColor =
        TransparentColor(pixels, width, height, m_settings.transPosition);

    CColorSpace space;
    space.Init(m_settings.weightYB, m_settings.weightCR, m_settings.weightGM,
               m_settings.outPrecision);

    if (!m_fixedPalette.empty()) {
        if (m_fixedPalette.size() > 256)
            return endWithout(QuantResult::BadSettings);
        std::unique_ptr<FinishedPalette> fixed(new (std::nothrow) FinishedPalette);
        if (!fixed)
            return endWithout(QuantResult::OutOfMemory);
        std::array<std::uint8_t, 256> order{};
        UseFixedPalette(m_fixedPalette, transColor, space, *fixed, order);
        if (fixed->transparentIndex >= 0)
            m_transparentIndex = order[static_cast<std::size_t>(fixed->transparentIndex)];
        signal.StageDone("palette");
        return MapAndPack(graph, pixels, *fixed, static_cast<int>(m_fixedPalette.size()),
                          order.data(), m_settings, transColor, space, signal, buffers);
    }

    StageResult stage = BuildColorHistogram(pixels, width, height, m_settings.inputMask, transColor,
                                            space, signal, buffers.entries);
    if (stage != StageResult::Ok)
        return endWithout(FromStage(stage));
    signal.StageDone("histogram");

    std::array<PaletteSlot, 256> found{};
    int foundCount = 0;
    const int divisionThreads = engine::WorkerThreads(std::int64_t(buffers.entries.size()));
    // Only refinement reads the entries after the division; without it the division reorders
    // them where they are rather than a copy.
    if (m_settings.refinePasses > 0)
        stage = DividePalette(buffers.entries, target, space, signal, found, foundCount,
                              divisionThreads);
    else
        stage = DividePalette(std::move(buffers.entries), target, space, signal, found, foundCount,
                              divisionThreads);
    if (stage != StageResult::Ok)
        return endWithout(FromStage(stage));
    signal.StageDone("division");

    // The finished palette is large (points, slots); it lives on the heap like the other
    // buffers of the run.
    std::unique_ptr<FinishedPalette> palette(new (std::nothrow) FinishedPalette);
    if (!palette)
        return endWithout(QuantResult::OutOfMemory);
    stage = FinishPalette(found, m_settings, transColor, space, signal, *palette);
    if (stage == StageResult::Ok)
        stage = RefinePalette(buffers.entries, m_settings.refinePasses, space,
                              engine::WorkerThreads(std::int64_t(buffers.entries.size())), signal,
                              *palette);
    std::vector<ColorEntry>().swap(buffers.entries); // the entries are done with
    if (stage != StageResult::Ok)
        return endWithout(FromStage(stage));

    signal.StageDone("palette");

    m_transparentIndex = palette->transparentIndex;
    return MapAndPack(graph, pixels, *palette, m_settings.colorCount, nullptr, m_settings,
                      transColor, space, signal, buffers);
}

const char* QuantResultText(QuantResult result) {
    switch (result) {
    case QuantResult::Done:
        return "";
    case QuantResult::Cancelled:
        return "cancelled";
    case QuantResult::OutOfMemory:
        return "not enough memory";
    case QuantResult::Unreadable:
        return "unsupported or empty picture";
    case QuantResult::BadSettings:
        return "settings out of range";
    }
    return "";
}
