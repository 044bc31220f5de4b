// The image document: one open picture. It owns the packed DIB, the display image made from it
// once, and the zoom shared by its views. It loads (plug-ins first, then the BMP reader), saves
// as BMP, PNG or GIF, and reports size and distinct colours; it shows nothing itself: the
// desktop tells the user what its results mean. It is never marked modified, so closing never
// asks to save.
#pragma once

#include "document/document.h"
#include "document/picture_io.h"
#include "image/dib.h"
#include "pluginhost/picture_loader.h"
#include "quant/pixel_array.h"

#include <QImage>
#include <QPointer>
#include <QSize>
#include <cstdint>
#include <optional>
#include <vector>

class PluginHost;

// What Properties reports: "WxH, N colors.".
struct PictureProperties {
    int width = 0;
    int height = 0;
    int colors = 0; // distinct 24-bit colours
};

class CKorvoDoc : public CDocument {
    Q_OBJECT
public:
    CKorvoDoc();
    ~CKorvoDoc() override;

    // An empty document of the size the next new document takes (set by paste and by a run).
    void OnNewDocument(QSize sizeNewDoc);
    // Reads `path` through the plug-ins of `host`, then the BMP reader. On success the document
    // holds the picture and the path; otherwise it stays empty and the result says why.
    [[nodiscard]] PictureLoadResult Open(const PluginHost& host, const QString& path);
    // Writes the picture to `path` in the format and variant of `options`, with the entry its
    // run reserved as transparent; a failed save keeps an existing file.
    [[nodiscard]] PictureSaveResult Save(const QString& path, PictureOptions options);
    // Size and distinct colours for pictures the pixel array can unpack; nothing otherwise.
    [[nodiscard]] std::optional<PictureProperties> Properties() const;

    bool IsImageDocument() const override { return true; }

    // Frees the current picture and takes `dib` (which may be null).
    void ReplaceDib(DibHandle dib);
    // Size, colour table and display image from m_hDib. A picture too large to address is
    // freed, and the result is false.
    bool RefreshDibInfo();
    // ReplaceDib then RefreshDibInfo, for a document whose views have not painted yet.
    bool SetDib(DibHandle dib);

    bool HasDib() const { return static_cast<bool>(m_hDib); }
    // Why a run could not unpack the picture, in words; empty when it can (memory permitting).
    QString CannotReduceReason() const;
    const QImage& DisplayImage() const { return m_display; }

    CPixelArray m_graph;     // hands the picture to a run and carries its result back
    bool m_canReduce = true; // false for a run result, which cannot be reduced again
    int m_nZoom = 1;         // zoom of the views, kZoomMin..kZoomMax
    DibHandle m_hDib;
    std::vector<std::uint32_t> m_palette; // 0xFFRRGGBB colour table; empty for true colour
    QSize m_sizeDoc{100, 100};
    // The picture a run result was made from, while that picture is open; null for every other
    // picture. Compare and the quality figures look at it.
    QPointer<CKorvoDoc> m_pSource;
    int m_transparentIndex = -1; // the palette entry the run of a result reserved, or -1

signals:
    void PictureChanged();

private:
    QImage m_display;
};
