// The main window's side of a quantization run: Reduce colors (the control panel, then a
// CQuantRun on the active picture), Cancel, the progress bar, and the result window once the run
// has finished. Only one run is under way at a time in the whole program.
#include "desktop/child_frame.h"
#include "desktop/main_frame.h"
#include "desktop/main_status_bar.h"
#include "desktop/quant_run.h"
#include "desktop/quant_sign.h"
#include "desktop/user_notice.h"
#include "document/korvo_doc.h"

namespace {

// Why a run on `doc` ended without a result, for the status bar.
QString CannotReduceText(const CKorvoDoc& doc, QuantResult result) {
    QString reason = doc.CannotReduceReason();
    if (result != QuantResult::Unreadable || reason.isEmpty())
        reason = QString::fromUtf8(QuantResultText(result));
    return QStringLiteral("Cannot reduce the colors of %1: %2").arg(doc.GetTitle(), reason);
}

} // namespace

void CMainFrame::OnReduce() {
    CKorvoDoc* doc = ActiveImageDocument();
    if (!doc || m_quantSign.m_bRunning || !doc->m_canReduce)
        return;
    m_wndControlPanel.SetPreviewPicture(doc);
    if (RunModalDialog(m_wndControlPanel) != QDialog::Accepted)
        return;
    // The values the user has just confirmed; later changes in the panel wait for the next run.
    PanelValues values;
    std::vector<std::uint32_t> palette;
    if (!ReadRunValues(values, palette))
        return;
    auto* run = new CQuantRun(*doc, values, std::move(palette), m_quantSign, this);
    connect(run, &CQuantRun::Progress, m_pStatusBar, &CMainStatusBar::SetProgressPos);
    connect(run, &CQuantRun::Finished, this, [this, run](QuantResult outcome) {
        OnRunFinished(run->Document(), outcome, run->TransparentIndex());
        run->deleteLater();
    });
    if (!run->Start(m_runPriority)) {
        delete run;
        return;
    }
    m_pStatusBar->SetRunning(true);
    UpdateCommandUI();
}

void CMainFrame::OnCancel() {
    if (m_quantSign.m_bRunning)
        m_quantSign.m_signal.m_bCancel.store(1);
}

void CMainFrame::OnRunFinished(CKorvoDoc& source, QuantResult outcome, int transparentIndex) {
    QString note;
    if (const DibHandle& result = source.m_graph.GetResult()) {
        m_sizeNewDoc = QSize(DibGetWidth(result.data()), DibGetHeight(result.data()));
        auto reduced = std::make_unique<CKorvoDoc>();
        reduced->OnNewDocument(m_sizeNewDoc);
        if (!source.GetPathName().isEmpty())
            reduced->SetPathName(source.GetPathName()); // not a recent file: nothing was read
        reduced->SetTitle(
            QStringLiteral("%1(%2)").arg(source.GetTitle()).arg(source.m_graph.m_nColors));
        reduced->SetDib(source.m_graph.TakeResult());
        reduced->m_canReduce = false;
        reduced->m_pSource = &source;
        reduced->m_transparentIndex = transparentIndex; // saved transparent in PNG and GIF files
        CChildFrame* window = AddImageDocument(std::move(reduced));
        // The palette of a result is what one looks at first; its window goes beside the source.
        Action(QStringLiteral("actionPaletteView"))->setChecked(true);
        PlaceBeside(window, source);
        NoticeBeep(NoticeIcon::Information);
    } else {
        NoticeBeep(NoticeIcon::Warning);
        // A run the user cancelled needs no word; any other tells why it gave nothing.
        if (outcome != QuantResult::Cancelled)
            note = CannotReduceText(source, outcome);
    }
    m_pStatusBar->SetProgressPos(0);
    m_pStatusBar->SetRunning(false);
    m_pStatusBar->SetNote(note);
    UpdateCommandUI();
}
