#include "desktop/batch_run.h"

#include "desktop/quant_sign.h"
#include "document/batch_doc.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <filesystem>

namespace {

QString Shown(const std::string& name) {
    return QDir::toNativeSeparators(QFile::decodeName(name.c_str()));
}

} // namespace

CBatchRun::CBatchRun(CBatchDoc& doc, const PluginHost& host, ReduceJob job,
                     std::vector<std::uint32_t> palette, std::vector<std::string> inputs,
                     std::vector<BatchOutput> outputs, bool replace, CQuantSign& sign,
                     QObject* parent)
    : QObject(parent), m_doc(doc), m_host(host), m_job(std::move(job)),
      m_palette(std::move(palette)), m_inputs(std::move(inputs)), m_outputs(std::move(outputs)),
      m_replace(replace), m_sign(sign), m_worker(doc.m_running, sign) {
    m_job.palette = m_palette.empty() ? nullptr : &m_palette;
    connect(&m_worker, &CRunWorker::Poll, this, [this] {
        // The engine clears a cancel request when a picture starts: one made while the picture
        // was being read is made again.
        if (m_cancel.load())
            m_sign.m_signal.m_bCancel.store(1);
        const long long files = std::max<long long>(1, static_cast<long long>(m_inputs.size()));
        const long long pos = m_current.load() * 1000LL + m_sign.m_signal.m_nProgress.load();
        emit Progress(static_cast<int>(std::min(1000LL, pos / files)));
    });
    connect(&m_worker, &CRunWorker::Ended, this,
            [this] { emit Finished(m_done, m_failed, m_cancel.load()); });
}

CBatchRun::~CBatchRun() = default;

bool CBatchRun::Start(QThread::Priority priority) {
    return m_worker.Start([this] { Work(); }, priority);
}

void CBatchRun::Cancel() {
    // The run's own flag stops the files that follow, and the progress poll repeats the request
    // that the engine clears when a picture starts.
    m_cancel.store(true);
    m_sign.m_signal.m_bCancel.store(1);
}

// On the worker: every file in the list's order, "n: input -> output: done" or why not.
void CBatchRun::Work() {
    for (std::size_t k = 0; k < m_inputs.size() && !m_cancel.load(); ++k) {
        m_current.store(static_cast<int>(k));
        const BatchOutput& output = m_outputs[k];
        std::error_code ec;
        FileOutcome outcome;
        if (!output.clash.empty())
            outcome = {FileStatus::OutputFailed, ClashReason(output)};
        else if (!m_replace && std::filesystem::exists(output.path, ec))
            outcome = {FileStatus::OutputFailed, output.path + " exists and is kept"};
        else
            outcome = ReduceFile(m_host, m_inputs[k], output.path, m_job, m_sign.m_signal);
        m_sign.m_signal.m_nProgress.store(0);
        QString line = QStringLiteral("%1: %2").arg(k + 1).arg(Shown(m_inputs[k]));
        if (outcome.status == FileStatus::Ok) {
            ++m_done;
            line += QStringLiteral(" -> %1: done").arg(Shown(output.path));
            if (!outcome.note.empty())
                line += QStringLiteral(" (%1)").arg(QString::fromStdString(outcome.note));
        } else {
            ++m_failed;
            line += QStringLiteral(": ") + QString::fromStdString(outcome.reason);
        }
        emit FileDone(line + QStringLiteral("\r\n"));
    }
}
