#include "desktop/quant_run.h"

#include "desktop/batch_view.h"
#include "desktop/child_frame.h"
#include "desktop/clipboard.h"
#include "desktop/main_frame.h"
#include "desktop/my_status_bar.h"
#include "desktop/new_type_dialog.h"
#include "desktop/quant_sign.h"
#include "desktop/susie_dialog.h"
#include "desktop/user_notice.h"
#include "desktop/wait_cursor.h"
#include "document/batch_doc.h"
#include "document/korvo_doc.h"
#include "quant/quant.h"
#include "settings/panel_values.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMdiArea>
#include <QMdiSubWindow>

CQuantSign g_quantSign;

namespace {

// Why a run on `doc` ended without a result, for the status bar.
QString CannotReduceText(const CKorvoDoc& doc, QuantResult result) {
    QString reason = doc.CannotReduceReason();
    if (result != QuantResult::Unreadable || reason.isEmpty())
        reason = QString::fromUtf8(QuantResultText(result));
    return QStringLiteral("Cannot reduce the colors of %1: %2").arg(doc.GetTitle(), reason);
}

// The body of the worker thread: one engine for one run, with the values the user confirmed.
QuantResult RunEngine(const PanelValues& values, CPixelArray& graph, QuantSignal& signal) {
    return CQuant(SettingsForRun(values)).Quantize(graph, signal, {});
}

} // namespace

CQuantRun::CQuantRun(CMainFrame& frame)
    : QObject(&frame), m_wndControlPanel(&frame), m_frame(frame) {
    setObjectName(QStringLiteral("quantRun"));
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &CQuantRun::OnProgressTimer);

    auto connectAction = [this](const char* name, void (CQuantRun::*handler)()) {
        QAction* action = m_frame.Action(QString::fromLatin1(name));
        disconnect(action, &QAction::triggered, nullptr, nullptr);
        connect(action, &QAction::triggered, this, handler);
    };
    connectAction("actionReduce", &CQuantRun::OnReduce);
    connectAction("actionCancel", &CQuantRun::OnCancel);
    connectAction("actionCopy", &CQuantRun::OnCopy);
    connectAction("actionPaste", &CQuantRun::OnPaste);
    connectAction("actionPluginSettings", &CQuantRun::OnPluginSettings);
    connectAction("actionNew", &CQuantRun::OnFileNew);

    m_frame.m_openBatch = [this](const QStringList& files) { OpenBatch(files); };
    m_frame.m_isRunning = [] { return g_quantSign.m_bRunning != 0; };
    m_frame.m_loadPanelSettings = [this](const IniText& s) { m_wndControlPanel.LoadSettings(s); };
    m_frame.m_savePanelSettings = [this](IniText& s) { m_wndControlPanel.SaveSettings(s); };
    m_frame.m_updateMoreCommands = [this] { UpdateCommandUI(); };
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &CQuantRun::UpdateCommandUI);
    UpdateCommandUI();
}

CQuantRun::~CQuantRun() {
    // The program does not end during a run; a worker that has reported may still be returning.
    if (m_pLastThread)
        m_pLastThread->wait();
}

void CQuantRun::UpdateCommandUI() {
    CKorvoDoc* doc = m_frame.ActiveImageDocument();
    const bool running = g_quantSign.m_bRunning != 0;
    m_frame.Action(QStringLiteral("actionReduce"))->setEnabled(!running && doc && doc->m_canReduce);
    m_frame.Action(QStringLiteral("actionCancel"))->setEnabled(running);
    m_frame.Action(QStringLiteral("actionCopy"))->setEnabled(doc && doc->HasDib());
    // A batch window's log never takes a picture.
    QMdiSubWindow* active = m_frame.MdiArea()->activeSubWindow();
    const bool batchActive = active && qobject_cast<CBatchView*>(active->widget());
    m_frame.Action(QStringLiteral("actionPaste"))
        ->setEnabled(!batchActive && ClipboardHasPicture());
    m_frame.Action(QStringLiteral("actionPluginSettings"))->setEnabled(true);
}

void CQuantRun::OnReduce() {
    CKorvoDoc* doc = m_frame.ActiveImageDocument();
    if (!doc || g_quantSign.m_bRunning || !doc->m_canReduce)
        return;
    if (RunModalDialog(m_wndControlPanel) != QDialog::Accepted)
        return;
    // The values the user has just confirmed; later changes in the panel wait for the next run.
    const PanelValues values = m_wndControlPanel.GetPanelValues();
    doc->m_graph.SetSource(&doc->m_hDib);

    // The result comes back to this thread through a queued call, once the engine has said how
    // the run ended; the document stays open and unchanged until then.
    QPointer<CQuantRun> self(this);
    QThread* thread = QThread::create([values, doc, self] {
        const QuantResult result = RunEngine(values, doc->m_graph, g_quantSign.m_signal);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [doc, self, result] {
                if (self)
                    self->OnRunFinished(doc, result);
            },
            Qt::QueuedConnection);
    });
    if (!thread)
        return;
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    g_quantSign.m_pThread = thread;
    m_pLastThread = thread;
    g_quantSign.m_bRunning = 1;
    doc->m_running = true;
    thread->start(m_threadPriority);
    m_timer.start();
    m_frame.StatusBar()->SetRunning(true);
    m_frame.UpdateCommandUI();
}

void CQuantRun::OnCancel() {
    if (g_quantSign.m_bRunning)
        g_quantSign.m_signal.m_bCancel.store(1);
}

void CQuantRun::OnProgressTimer() {
    m_frame.StatusBar()->SetProgressPos(g_quantSign.m_signal.m_nProgress.load());
}

void CQuantRun::OnRunFinished(CKorvoDoc* doc, QuantResult outcome) {
    QString note;
    if (doc->m_graph.GetResult()) {
        const DibHandle& result = doc->m_graph.GetResult();
        m_frame.m_sizeNewDoc = QSize(DibGetWidth(result.data()), DibGetHeight(result.data()));
        auto reduced = std::make_unique<CKorvoDoc>();
        reduced->OnNewDocument(m_frame.m_sizeNewDoc);
        if (!doc->GetPathName().isEmpty())
            reduced->SetPathName(doc->GetPathName()); // not a recent file: nothing was read
        reduced->SetTitle(
            QStringLiteral("%1(%2)").arg(doc->GetTitle()).arg(doc->m_graph.m_nColors));
        reduced->SetDib(doc->m_graph.TakeResult());
        reduced->m_canReduce = false;
        m_frame.AddImageDocument(std::move(reduced));
        NoticeBeep(NoticeIcon::Information);
    } else {
        NoticeBeep(NoticeIcon::Warning);
        // A run the user cancelled needs no word; any other tells why it gave nothing.
        if (outcome != QuantResult::Cancelled)
            note = CannotReduceText(*doc, outcome);
    }
    g_quantSign.m_pThread = nullptr;
    m_timer.stop();
    g_quantSign.m_signal.m_nProgress.store(0);
    m_frame.StatusBar()->SetProgressPos(0);
    doc->m_running = false;
    g_quantSign.m_bRunning = 0;
    m_frame.StatusBar()->SetRunning(false);
    m_frame.StatusBar()->SetNote(note);
    m_frame.UpdateCommandUI();
}

void CQuantRun::OnCopy() {
    CKorvoDoc* doc = m_frame.ActiveImageDocument();
    if (!doc || !doc->HasDib())
        return;
    WaitCursor wait;
    CopyDibToClipboard(doc->m_hDib, doc->DisplayImage());
}

void CQuantRun::OnPaste() {
    PastedDib pasted;
    {
        WaitCursor wait;
        pasted = PasteDibFromClipboard();
    }
    if (!pasted.dib) {
        // A picture was offered but is unusable: told like a file that cannot be read.
        if (pasted.status == DibStatus::TooLarge)
            ShowNotice(&m_frame, QStringLiteral("DIB is too large"));
        else if (pasted.status != DibStatus::Ok)
            ShowNotice(&m_frame, QStringLiteral("Cannot load DIB\nClipboard: %1")
                                     .arg(QString::fromUtf8(DibStatusText(pasted.status))));
        return;
    }
    m_frame.m_sizeNewDoc = QSize(DibGetWidth(pasted.dib.data()), DibGetHeight(pasted.dib.data()));
    auto doc = std::make_unique<CKorvoDoc>();
    doc->OnNewDocument(m_frame.m_sizeNewDoc);
    doc->SetPathName(QStringLiteral("Clipboard")); // a path in the current folder, titled Clipboard
    doc->SetDib(std::move(pasted.dib));
    m_frame.AddImageDocument(std::move(doc));
}

void CQuantRun::OnPluginSettings() {
    CSusieDialog dialog(RegistryOf(m_frame.Plugins()), &m_frame);
    (void)RunModalDialog(dialog);
}

void CQuantRun::OnFileNew() {
    CNewTypeDialog dialog(&m_frame);
    if (RunModalDialog(dialog) != QDialog::Accepted)
        return;
    if (dialog.GetChoice() == CNewTypeDialog::Image)
        m_frame.OnFileNew();
    else
        OpenBatch({});
}

void CQuantRun::OpenBatch(const QStringList& files) {
    auto doc = std::make_unique<CBatchDoc>();
    auto* view = new CBatchView(doc.get());
    view->OnInitialUpdate();
    CBatchDoc* raw = doc.get();
    if (!files.isEmpty()) {
        raw->SetFileList(files);
        raw->SetPathName(QStringLiteral("Batch")); // not a recent file
    } else {
        raw->SetTitle(QStringLiteral("xKorvo"));
    }
    m_frame.AddDocumentWindow(std::move(doc), view);
}
