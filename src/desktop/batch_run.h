// One batch run: a worker thread reduces the files of a batch window one after another with the
// values the user confirmed and writes each result into the output folder, through the same job
// as xkorvo-cli -o DIR (job/reduce_job.h), so the files are the same. Like a picture's run, it is
// the one run of the program while it lasts: the run state (CQuantSign) carries its progress and
// tells the rest of the program that a run is under way. A run lives from Start until its owner
// lets it go after Finished; its destructor waits for the worker to return.
#pragma once

#include "desktop/run_worker.h"
#include "job/reduce_job.h"

#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class CBatchDoc;
class CQuantSign;
class PluginHost;

class CBatchRun : public QObject {
    Q_OBJECT
public:
    // `job` without its palette, which `palette` gives (none: computed); `inputs` the document's
    // files as the system names them, `outputs` as PlanBatchOutputs named them. Existing files
    // are replaced only when `replace` is set.
    CBatchRun(CBatchDoc& doc, const PluginHost& host, ReduceJob job,
              std::vector<std::uint32_t> palette, std::vector<std::string> inputs,
              std::vector<BatchOutput> outputs, bool replace, CQuantSign& sign,
              QObject* parent = nullptr);
    ~CBatchRun() override;

    // Marks the document's run under way and starts the worker; false, with nothing else
    // changed, when no thread could be made.
    bool Start(QThread::Priority priority);
    // Stops at the next check of the file being reduced; the files after it are left alone.
    void Cancel();
    CBatchDoc& Document() const { return m_doc; }

signals:
    // The whole batch's progress (0..1000), once a second while the run is under way.
    void Progress(int pos);
    // One line of the log for each file, as soon as it is done or has failed.
    void FileDone(const QString& line);
    // On the user-interface thread, once the worker has ended and the run state is idle again.
    void Finished(int done, int failed, bool cancelled);

private:
    void Work();

    CBatchDoc& m_doc;
    const PluginHost& m_host;
    ReduceJob m_job;
    const std::vector<std::uint32_t> m_palette;
    const std::vector<std::string> m_inputs;
    const std::vector<BatchOutput> m_outputs;
    const bool m_replace;
    CQuantSign& m_sign;
    std::atomic<bool> m_cancel{false};
    std::atomic<int> m_current{0}; // the file being reduced
    int m_done = 0;                // written by the worker, read once it has ended
    int m_failed = 0;
    CRunWorker m_worker; // last: it waits for the worker first
};
