// The main window's commands that hand results out beyond a picture file (Save palette as), and
// the palette file a run maps onto.
#include "desktop/document_messages.h"
#include "desktop/file_dialogs.h"
#include "desktop/main_frame.h"
#include "desktop/panel_page_main.h"
#include "desktop/wait_cursor.h"
#include "document/korvo_doc.h"
#include "export/palette_file.h"
#include "job/output_writer.h"
#include "job/reduce_job.h"

#include <QFile>
#include <QFileInfo>

void CMainFrame::OnSavePalette() {
    CKorvoDoc* doc = ActiveImageDocument();
    if (!doc || doc->m_canReduce)
        return;
    const Palette palette = ResultPalette(doc->m_hDib, doc->m_transparentIndex);
    if (palette.colors.empty())
        return;
    if (!m_pPaletteDlg) {
        m_pPaletteDlg = std::make_unique<CSaveFileDialog>(this);
        m_pPaletteDlg->m_strFilter = QStringLiteral(
            "GIMP palette (*.gpl)|*.gpl|Adobe color table (*.act)|*.act|JASC palette "
            "(*.pal)|*.pal|Hex color list (*.hex)|*.hex");
        m_pPaletteDlg->m_strDefExt = QStringLiteral("gpl");
        m_pPaletteDlg->m_strInitialDir = m_pSaveDlg->m_strInitialDir;
    }
    m_pPaletteDlg->m_strFileName = QFileInfo(doc->GetPathName()).completeBaseName();
    if (!m_pPaletteDlg->RunSaveDialog())
        return;
    const QString path = m_pPaletteDlg->m_strFileName;
    // The typed extension names the format, else the filter chosen.
    const std::string name = QFile::encodeName(path).toStdString();
    const PaletteFormat format = PaletteFormatOf(name).value_or(
        PaletteFormatOf("palette." + m_pPaletteDlg->ChosenExtension().toStdString())
            .value_or(PaletteFormat::Gimp));
    std::error_code why;
    SaveResult saved;
    {
        CWaitCursor wait;
        saved = SaveReplacing(
            name, [&](const ByteSink& sink) { return WritePalette(format, palette, sink); }, &why);
    }
    ReportPaletteSaveFailure(path, saved, why);
}

bool CMainFrame::ReadPanelPalette(std::vector<std::uint32_t>& colors) {
    colors.clear();
    const QString path = m_wndControlPanel.m_pPage1->m_strPaletteFile;
    if (path.isEmpty())
        return true;
    std::string reason;
    {
        CWaitCursor wait;
        colors = ReadRunPalette(m_pluginHost, QFile::encodeName(path).toStdString(), reason);
    }
    if (colors.empty())
        ReportPaletteRefused(this, path, QString::fromStdString(reason));
    return !colors.empty();
}
