// The pixel array: unpacks a picture into one 0x00RRGGBB value per pixel, top row first, for the
// engine, and packs the engine's palette indices back into a new 1-, 4- or 8-bit picture whose
// block the caller takes with TakeResult.
#pragma once

#include "image/dib.h"
#include "mapping/pixel_rows.h"

#include <cstddef>
#include <cstdint>

// Why LoadPixels would refuse `source`, found without unpacking it: a short English reason, or
// nullptr when the picture unpacks (memory permitting).
[[nodiscard]] const char* UnpackRefusal(const DibHandle* source);

// The pixels of `source` where they lie, for an uncompressed 24-bit picture with an information
// header that LoadPixels would unpack; an empty view for any other picture, which LoadPixels
// unpacks instead. The view lives as long as the source block.
[[nodiscard]] PixelRows SourceRowsInPlace(const DibHandle* source);

class CPixelArray {
public:
    CPixelArray();
    virtual ~CPixelArray();
    CPixelArray(const CPixelArray&) = delete;
    CPixelArray& operator=(const CPixelArray&) = delete;

    // Remembers the source picture; it stays with its owner and must outlive every LoadPixels.
    void SetSource(const DibHandle* source);
    // Unpacks the source (information header; uncompressed 1, 4, 8, 16, 24 or 32 bits, or a
    // run-length stream of 4 or 8 bits) into m_pPixels. False, with nothing allocated, for any
    // other picture, a broken run-length stream, or when the memory cannot be had.
    [[nodiscard]] bool LoadPixels();
    // Packs m_pPixels (palette indices) and the first m_nColors entries of m_palette into a new
    // picture in m_hResult: 1 bit for up to 2 colours, 4 bits for up to 16, else 8.
    [[nodiscard]] bool BuildResultDib();
    // The same from m_nWidth x m_nHeight index bytes, top row first, instead of m_pPixels.
    [[nodiscard]] bool BuildResultDib(const std::uint8_t* indices);

    // Where the rows of the result picture lie: row y (the top row is 0) starts at
    // top + y * step; the step is negative since the picture keeps its rows bottom-up.
    struct ResultRows {
        std::uint8_t* top = nullptr;
        std::ptrdiff_t step = 0;
    };
    // The first half of BuildResultDib: a new picture in m_hResult for m_nWidth x m_nHeight
    // pixels and the first m_nColors entries of m_palette, header and colour table written,
    // every row zero. Its rows, or a null `top` when the sizes are unusable or the memory
    // cannot be had.
    [[nodiscard]] ResultRows AllocateResultDib();
    // Ends an 8-bit result whose rows were filled in place with indices into the search order:
    // each index k becomes order[k] (when an order is given), and the padding at the end of
    // every row is set to zero.
    void FinishResultRows(const std::uint8_t* order);
    const DibHandle& GetResult() const { return m_hResult; }
    DibHandle TakeResult(); // the result block; afterwards m_hResult is null
    void FreePixels();      // width and height keep their values

    const DibHandle* m_hSource = nullptr; // borrowed, never freed here
    DibHandle m_hResult;                  // owned until taken
    std::uint32_t m_palette[256];         // 0x00RRGGBB entries
    int m_nColors = 0;                    // entries in use; 0: the pixels are true colour
    int m_nBitCount = 0;                  // 24 after unpacking; 1, 4 or 8 after quantization
    // m_nWidth x m_nHeight values, top row first: colours, or palette indices after
    // quantization. Owned by this object (malloc family), freed by FreePixels and the destructor.
    std::uint32_t* m_pPixels = nullptr;
    int m_nHeight = 0;
    int m_nWidth = 0;

private:
    template <class IndexAt> bool PackResult(IndexAt indexAt);
};
