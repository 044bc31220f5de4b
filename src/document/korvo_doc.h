// The image document: one open picture. It owns the packed DIB, the display image made from it
// once, and the zoom shared by its views. It loads (plug-ins first, then the BMP reader), saves
// as BMP whatever the name, reports size and distinct colours, and is never marked modified, so
// closing never asks to save.
#pragma once

#include "document/document.h"
#include "image/dib.h"
#include "quant/pixel_array.h"

#include <QImage>
#include <QSize>
#include <cstdint>
#include <vector>

class CSaveFileDialog;

class CKorvoDoc : public CDocument {
    Q_OBJECT
public:
    CKorvoDoc();
    ~CKorvoDoc() override;

    // An empty document of the size the next new document takes (set by paste and by a run).
    bool OnNewDocument(QSize sizeNewDoc);
    // Reads `path`; on failure the user has been told why and the document stays empty.
    bool OnOpenDocument(const QString& path);
    // Writes the picture to `path` as a BMP file; a failed save keeps an existing file.
    bool OnSaveDocument(const QString& path);
    // Save As: proposes the file name without folder and extension; the document's own path
    // and title stay as they are.
    bool OnFileSaveAs(CSaveFileDialog& dlg);
    // Shows "WxH, N colors." for pictures the pixel array can unpack; nothing otherwise.
    void ShowProperties();

    bool CanCloseFrame() const override { return !m_bRunning; }
    bool IsImageDocument() const override { return true; }

    // Frees the current picture and takes `dib` (which may be null).
    void ReplaceDib(DibHandle dib);
    // Size, colour table and display image from m_hDib; refuses pictures too large to address.
    void RefreshDibInfo();
    // ReplaceDib then RefreshDibInfo, for a document whose views have not painted yet.
    void SetDib(DibHandle dib);

    bool HasDib() const { return static_cast<bool>(m_hDib); }
    // Why a run could not unpack the picture, in words; empty when it can (memory permitting).
    QString CannotReduceReason() const;
    const QImage& DisplayImage() const { return m_display; }

    CPixelArray m_graph;  // hands the picture to a run and carries its result back
    int m_bCanReduce = 1; // 0 for a run result, which cannot be reduced again
    int m_bRunning = 0;   // 1 while a run started from this document is under way
    int m_nZoom = 1;      // zoom of the views, kZoomMin..kZoomMax
    DibHandle m_hDib;
    std::vector<std::uint32_t> m_palette; // 0xFFRRGGBB colour table; empty for true colour
    QSize m_sizeDoc{100, 100};

signals:
    void PictureChanged();

private:
    QImage m_display;
};
