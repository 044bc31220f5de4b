// The main window's commands that hand results out beyond a picture file: Save palette as and a
// batch window's Reduce all; and the palette file a run maps onto.
#include "desktop/batch_run.h"
#include "desktop/batch_view.h"
#include "desktop/browse_for_folder.h"
#include "desktop/document_messages.h"
#include "desktop/file_dialogs.h"
#include "desktop/main_frame.h"
#include "desktop/main_status_bar.h"
#include "desktop/panel_page_batch.h"
#include "desktop/panel_page_main.h"
#include "desktop/quant_sign.h"
#include "desktop/user_notice.h"
#include "desktop/wait_cursor.h"
#include "document/batch_doc.h"
#include "document/korvo_doc.h"
#include "export/palette_file.h"
#include "job/output_writer.h"
#include "job/reduce_job.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>

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

bool CMainFrame::ReadRunValues(PanelValues& values, std::vector<std::uint32_t>& colors) {
    values = m_wndControlPanel.GetPanelValues();
    colors.clear();
    const QString path = m_wndControlPanel.m_pMainPage->m_strPaletteFile;
    if (path.isEmpty())
        return true;
    values = ForGivenPalette(values);
    std::string reason;
    {
        CWaitCursor wait;
        colors = ReadRunPalette(m_pluginHost, QFile::encodeName(path).toStdString(), reason);
    }
    if (colors.empty())
        ReportPaletteRefused(this, path, QString::fromStdString(reason));
    return !colors.empty();
}

// Reduce all: the control panel, the output folder (asked for when the Batch page has none), one
// question when files would be replaced, then a CBatchRun over the active batch window's list.
void CMainFrame::OnReduceAll() {
    QMdiSubWindow* window = m_pMdiArea->activeSubWindow();
    auto* view = window ? qobject_cast<CBatchView*>(window->widget()) : nullptr;
    CBatchDoc* doc = view ? view->GetDocument() : nullptr;
    if (!doc || doc->m_fileList.isEmpty() || m_quantSign.m_bRunning)
        return;
    if (RunModalDialog(m_wndControlPanel) != QDialog::Accepted)
        return;
    QString& folder = m_wndControlPanel.m_pBatchPage->m_strBatchPath;
    if (folder.isEmpty() && !BrowseForFolder(this, folder, m_pSaveDlg->m_strInitialDir,
                                             QStringLiteral("Folder for the batch's pictures")))
        return;
    if (!QDir().mkpath(folder)) {
        ShowNotice(
            this,
            QStringLiteral("Cannot create the folder.\n%1").arg(QDir::toNativeSeparators(folder)),
            NoticeIcon::Warning);
        return;
    }
    PanelValues values;
    std::vector<std::uint32_t> palette;
    if (!ReadRunValues(values, palette))
        return;
    ReduceJob job;
    job.settings = SettingsForRun(values);
    job.output = m_wndControlPanel.GetPictureOptions();
    std::vector<std::string> inputs;
    for (const QString& file : doc->m_fileList)
        inputs.push_back(QFile::encodeName(file).toStdString());
    std::vector<BatchOutput> outputs =
        PlanBatchOutputs(QFile::encodeName(folder).toStdString(), inputs, job.output.format);

    // Files already there are replaced only when the user agrees, once for the whole batch.
    int existing = 0;
    for (const BatchOutput& output : outputs)
        existing +=
            output.clash.empty() && QFileInfo::exists(QFile::decodeName(output.path.c_str()));
    bool replace = false;
    if (existing > 0) {
        const NoticeAnswer answer = AskNotice(
            this,
            QStringLiteral("%1 of the files to write exist in %2. Replace them?\nNo keeps them "
                           "and leaves out their pictures.")
                .arg(existing)
                .arg(QDir::toNativeSeparators(folder)),
            QStringLiteral("replaceQuestion"));
        if (answer == NoticeAnswer::Cancel)
            return;
        replace = answer == NoticeAnswer::Yes;
    }

    const QString format = QString::fromLatin1(PictureExtension(job.output.format)).toUpper();
    auto* run = new CBatchRun(*doc, m_pluginHost, std::move(job), std::move(palette),
                              std::move(inputs), std::move(outputs), replace, m_quantSign, this);
    connect(run, &CBatchRun::Progress, m_pStatusBar, &CMainStatusBar::SetProgressPos);
    connect(run, &CBatchRun::FileDone, view, &CBatchView::AppendText);
    connect(Action(QStringLiteral("actionCancel")), &QAction::triggered, run, &CBatchRun::Cancel);
    connect(
        run, &CBatchRun::Finished, this, [this, run, view](int done, int failed, bool cancelled) {
            const QString summary = QStringLiteral("%1 done, %2 failed%3")
                                        .arg(done)
                                        .arg(failed)
                                        .arg(cancelled ? QStringLiteral(", cancelled") : QString());
            view->AppendText(summary + QStringLiteral("\r\n"));
            NoticeBeep(failed == 0 && !cancelled ? NoticeIcon::Information : NoticeIcon::Warning);
            m_pStatusBar->SetProgressPos(0);
            m_pStatusBar->SetRunning(false);
            m_pStatusBar->SetNote(QStringLiteral("Batch: ") + summary);
            UpdateCommandUI();
            run->deleteLater();
        });
    if (!run->Start(m_runPriority)) {
        delete run;
        return;
    }
    // Before the first file's line: those come from the worker through the event loop.
    view->AppendText(QStringLiteral("Reduce all: %1 files into %2 as %3\r\n")
                         .arg(doc->m_fileList.size())
                         .arg(QDir::toNativeSeparators(folder), format));
    m_pStatusBar->SetRunning(true);
    UpdateCommandUI();
}
