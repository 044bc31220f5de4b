#include "desktop/quant_run.h"

#include "desktop/quant_sign.h"
#include "document/korvo_doc.h"

CQuantRun::CQuantRun(CKorvoDoc& doc, const PanelValues& values, std::vector<std::uint32_t> palette,
                     CQuantSign& sign, QObject* parent)
    : QObject(parent), m_doc(doc), m_values(values), m_palette(std::move(palette)), m_sign(sign) {
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this,
            [this] { emit Progress(m_sign.m_signal.m_nProgress.load()); });
}

CQuantRun::~CQuantRun() {
    // Finished comes once the worker's function has returned; the thread may still be ending.
    if (m_pThread)
        m_pThread->wait();
}

bool CQuantRun::Start(QThread::Priority priority) {
    // The picture block stays owned by its document, which stays open and unchanged until the
    // run has finished.
    m_doc.m_graph.SetSource(&m_doc.m_hDib);
    m_pThread.reset(QThread::create([this] {
        CQuant quant(SettingsForRun(m_values));
        if (!m_palette.empty())
            quant.SetFixedPalette(m_palette);
        m_outcome = quant.Quantize(m_doc.m_graph, m_sign.m_signal, {});
        m_transparentIndex = quant.TransparentIndex();
    }));
    if (!m_pThread)
        return false;
    // Emitted by the worker, handled on this object's thread, where the windows live.
    connect(m_pThread.get(), &QThread::finished, this, &CQuantRun::OnWorkerFinished,
            Qt::QueuedConnection);
    m_sign.m_bRunning = true;
    m_doc.m_running = true;
    m_pThread->start(priority);
    m_timer.start();
    return true;
}

void CQuantRun::OnWorkerFinished() {
    m_timer.stop();
    m_sign.m_signal.m_nProgress.store(0);
    m_doc.m_running = false;
    m_sign.m_bRunning = false;
    emit Finished(m_outcome);
}
