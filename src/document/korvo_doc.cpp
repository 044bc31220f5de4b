#include "document/korvo_doc.h"

#include "desktop/dib_paint.h"
#include "desktop/file_dialogs.h"
#include "desktop/user_notice.h"
#include "document/color_count.h"
#include "document/picture_io.h"
#include "quant/pixel_array.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

namespace {

// The wait cursor for the length of a scope.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QWidget* MainWindow() {
    return QApplication::activeWindow();
}

} // namespace

CKorvoDoc::CKorvoDoc() = default;
CKorvoDoc::~CKorvoDoc() = default;

bool CKorvoDoc::OnNewDocument(QSize sizeNewDoc) {
    m_sizeDoc = sizeNewDoc;
    return true;
}

bool CKorvoDoc::OnOpenDocument(const QString& path) {
    PictureLoadResult loaded;
    {
        WaitCursor wait;
        loaded = LoadPictureFile(path);
    }
    const QString file = QDir::toNativeSeparators(path);
    if (loaded.status == PictureLoadStatus::FileError) {
        ShowNotice(MainWindow(),
                   QStringLiteral("Cannot open the file.\n%1: %2").arg(file, loaded.reason),
                   NoticeIcon::Warning);
        return false;
    }
    // The entry check refuses rows stored top-down; they count as too large to address.
    if (loaded.status == PictureLoadStatus::TooLarge)
        ShowNotice(nullptr, QStringLiteral("DIB is too large"));
    ReplaceDib(std::move(loaded.dib));
    RefreshDibInfo();
    if (!m_hDib) {
        // A picture that was read but refused here is one too large to address.
        const QString reason = loaded.status == PictureLoadStatus::Ok
                                   ? QStringLiteral("the picture is too large to address")
                                   : loaded.reason;
        ShowNotice(MainWindow(), QStringLiteral("Cannot load DIB\n%1: %2").arg(file, reason));
        return false;
    }
    SetPathName(path);
    return true;
}

bool CKorvoDoc::OnSaveDocument(const QString& path) {
    PictureSaveResult saved;
    {
        WaitCursor wait;
        saved = SavePictureFile(m_hDib, path);
    }
    const QString line = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), saved.reason);
    switch (saved.status) {
    case PictureSaveStatus::Ok:
        return true;
    case PictureSaveStatus::NotWritable:
        ShowNotice(nullptr, QStringLiteral("Cannot save DIB\n") + line);
        return false;
    case PictureSaveStatus::FileError:
        break;
    }
    ShowNotice(nullptr, QStringLiteral("Cannot save the file.\n") + line, NoticeIcon::Warning);
    return false;
}

bool CKorvoDoc::OnFileSaveAs(CSaveFileDialog& dlg) {
    dlg.m_strFileName = QFileInfo(GetPathName()).completeBaseName();
    if (GetPathName().isEmpty())
        dlg.m_strFileName = GetTitle();
    if (!dlg.RunSaveDialog())
        return false;
    return OnSaveDocument(dlg.m_strFileName);
}

void CKorvoDoc::ShowProperties() {
    // Only pictures the pixel array unpacks are counted; others (a core header) show nothing.
    CPixelArray graph;
    graph.SetSource(&m_hDib);
    if (!m_hDib || !graph.LoadPixels())
        return;
    const int colours = CountDistinctColors(graph.m_pPixels, std::size_t(graph.m_nWidth) *
                                                                 std::size_t(graph.m_nHeight));
    if (colours < 0)
        return;
    ShowNotice(MainWindow(), QString::asprintf("%dx%d, %d colors.", m_sizeDoc.width(),
                                               m_sizeDoc.height(), colours));
}

QString CKorvoDoc::CannotReduceReason() const {
    const char* reason = UnpackRefusal(&m_hDib);
    return reason ? QString::fromUtf8(reason) : QString();
}

void CKorvoDoc::ReplaceDib(DibHandle dib) {
    m_hDib = std::move(dib);
}

void CKorvoDoc::RefreshDibInfo() {
    m_palette.clear();
    m_display = QImage();
    if (!m_hDib)
        return;
    const std::uint32_t width = static_cast<std::uint32_t>(DibGetWidth(m_hDib.data()));
    const std::uint32_t height = static_cast<std::uint32_t>(DibGetHeight(m_hDib.data()));
    if (width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) {
        m_hDib.reset();
        ShowNotice(nullptr, QStringLiteral("DIB is too large"));
        return;
    }
    m_sizeDoc = QSize(int(width), int(height));
    m_palette = DibBuildPalette(m_hDib);
    m_display = DibMakeDisplayImage(m_hDib);
}

void CKorvoDoc::SetDib(DibHandle dib) {
    ReplaceDib(std::move(dib));
    RefreshDibInfo();
}
