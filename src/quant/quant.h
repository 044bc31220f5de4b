// The quantizer: one CQuant per run turns the picture of a pixel array into a palette picture
// left in that same pixel array. Quantize runs the whole pipeline in one call:
//   1. unpack the source into 32-bit pixels (CPixelArray::LoadPixels)
//   2. weigh every pixel by the smoothness of its surroundings and count the colours
//   3. divide colour space into boxes until enough distinct colours exist
//   4. finish the palette: fixed colours, luminance order, transparent entry; when asked, refine
//      it on the histogram (palette_refine.h)
//   5. map every pixel to a palette index with the chosen method
//   6. pack the indices into a new 1- or 4-bit picture (CPixelArray::BuildResultDib); an 8-bit
//      picture is allocated before the mapping, which writes into its rows
//      (CPixelArray::AllocateResultDib)
// Progress (0..1000) and the cancel request travel through a QuantSignal; the end of every run,
// finished or not, is announced exactly once through the completion callback.
#pragma once

#include "quant/pixel_array.h"
#include "quant/quant_settings.h"
#include "runcontrol/quant_signal.h"

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

// How a run ended. Anything but Done leaves the pixel array without a result.
enum class QuantResult {
    Done,
    Cancelled,   // the cancel request was seen at one of the run's checks
    OutOfMemory, // a working buffer could not be allocated
    Unreadable,  // the source could not be unpacked, or it has no pixels
    BadSettings, // a setting outside what the control panel can produce
};

class CQuant {
public:
    explicit CQuant(const QuantSettings& settings) : m_settings(settings) {}
    virtual ~CQuant() = default;
    CQuant(const CQuant&) = delete;
    CQuant& operator=(const CQuant&) = delete;

    // Quantizes graph's source into graph (palette, bit count, indices, m_hResult). Clears the
    // cancel request at the start; calls `done` exactly once, after every working buffer has been
    // freed. The pixel array must not be touched by anyone else until then.
    [[nodiscard]] QuantResult Quantize(CPixelArray& graph, QuantSignal& signal,
                                       const std::function<void()>& done);

    const QuantSettings& Settings() const { return m_settings; }

    // Maps onto these colours (1..256 entries, 0x00RRGGBB) instead of computing a palette: steps
    // 2 to 4 give way to the given palette, which keeps its order (see fixed_palette.h). The
    // colour count, the fixed colours and the input precision of the settings then play no
    // part. More than 256 colours end the run as BadSettings.
    void SetFixedPalette(std::vector<std::uint32_t> colors) { m_fixedPalette = std::move(colors); }

    // The result palette's transparent entry after a finished run with a transparent corner,
    // else -1.
    int TransparentIndex() const { return m_transparentIndex; }

private:
    QuantSettings m_settings;
    int m_transparentIndex = -1;
    std::vector<std::uint32_t> m_fixedPalette; // empty: the run computes its palette
};

// A short English reason for a run that ended without a result ("" for Done).
const char* QuantResultText(QuantResult result);
