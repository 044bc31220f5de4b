#include "desktop/run_worker.h"

#include "desktop/quant_sign.h"

CRunWorker::CRunWorker(bool& documentRunning, CQuantSign& sign)
    : m_documentRunning(documentRunning), m_sign(sign) {
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &CRunWorker::Poll);
}

CRunWorker::~CRunWorker() {
    // Ended comes once the worker's function has returned; the thread may still be ending.
    if (m_pThread)
        m_pThread->wait();
}

bool CRunWorker::Start(std::function<void()> work, QThread::Priority priority) {
    m_pThread.reset(QThread::create(std::move(work)));
    if (!m_pThread)
        return false;
    // Emitted by the worker, handled on this object's thread, where the windows live.
    connect(m_pThread.get(), &QThread::finished, this, &CRunWorker::OnWorkerFinished,
            Qt::QueuedConnection);
    m_sign.m_bRunning = true;
    m_documentRunning = true;
    m_pThread->start(priority);
    m_timer.start();
    return true;
}

void CRunWorker::OnWorkerFinished() {
    m_timer.stop();
    m_sign.m_signal.m_nProgress.store(0);
    m_documentRunning = false;
    m_sign.m_bRunning = false;
    emit Ended();
}
