#include "document/korvo_doc.h"

#include "document/display_image.h"
#include "quant/color_count.h"

CKorvoDoc::CKorvoDoc() = default;
CKorvoDoc::~CKorvoDoc() = default;

void CKorvoDoc::OnNewDocument(QSize sizeNewDoc) {
    m_sizeDoc = sizeNewDoc;
}

PictureLoadResult CKorvoDoc::Open(const PluginHost& host, const QString& path) {
    PictureLoadResult loaded = LoadPicture(host, path);
    ReplaceDib(std::move(loaded.dib));
    if (!RefreshDibInfo() && loaded.status == PictureLoadStatus::Ok) {
        loaded.status = PictureLoadStatus::TooLarge;
        loaded.reason = QStringLiteral("the picture is too large to address");
    }
    if (m_hDib)
        SetPathName(path);
    return loaded;
}

PictureSaveResult CKorvoDoc::Save(const QString& path, PictureOptions options) {
    options.transparentIndex = m_transparentIndex;
    return SavePictureFile(m_hDib, path, options);
}

std::optional<PictureProperties> CKorvoDoc::Properties() const {
    // Only pictures the pixel array unpacks are counted; others (a core header) have none.
    const int colors = CountDistinctColors(m_hDib);
    if (colors < 0)
        return std::nullopt;
    return PictureProperties{m_sizeDoc.width(), m_sizeDoc.height(), colors};
}

QString CKorvoDoc::CannotReduceReason() const {
    const char* reason = UnpackRefusal(&m_hDib);
    return reason ? QString::fromUtf8(reason) : QString();
}

void CKorvoDoc::ReplaceDib(DibHandle dib) {
    m_hDib = std::move(dib);
}

bool CKorvoDoc::RefreshDibInfo() {
    m_palette.clear();
    m_display = QImage();
    if (!m_hDib)
        return true;
    const std::uint32_t width = static_cast<std::uint32_t>(DibGetWidth(m_hDib.data()));
    const std::uint32_t height = static_cast<std::uint32_t>(DibGetHeight(m_hDib.data()));
    if (width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) {
        m_hDib.reset();
        return false;
    }
    m_sizeDoc = QSize(int(width), int(height));
    m_palette = DibBuildPalette(m_hDib);
    m_display = DibMakeDisplayImage(m_hDib);
    return true;
}

bool CKorvoDoc::SetDib(DibHandle dib) {
    ReplaceDib(std::move(dib));
    return RefreshDibInfo();
}
