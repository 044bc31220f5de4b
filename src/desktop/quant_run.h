// One quantization run: a worker thread reduces the colours of one document's picture with the
// values the user confirmed, at the priority its owner gives (idle, so that the windows stay
// responsive). A run lives from Start until its owner lets it go after Finished; its destructor
// waits for the worker to return. The run state (CQuantSign) carries the progress and the cancel
// request between the two threads and tells the rest of the program that a run is under way.
#pragma once

#include "desktop/run_worker.h"
#include "quant/quant.h"
#include "settings/panel_values.h"

#include <QObject>
#include <QThread>
#include <cstdint>
#include <vector>

class CKorvoDoc;
class CQuantSign;

class CQuantRun : public QObject {
    Q_OBJECT
public:
    // `palette`: the colours to map onto, or none to compute a palette.
    CQuantRun(CKorvoDoc& doc, const PanelValues& values, std::vector<std::uint32_t> palette,
              CQuantSign& sign, QObject* parent = nullptr);
    ~CQuantRun() override;

    // Gives the document's picture to its pixel array, marks the run under way and starts the
    // worker; false, with nothing else changed, when no thread could be made.
    bool Start(QThread::Priority priority);
    CKorvoDoc& Document() const { return m_doc; }
    // The result palette's entry reserved as transparent, once finished; -1 when none.
    int TransparentIndex() const { return m_transparentIndex; }

signals:
    // The worker's progress (0..1000), once a second while the run is under way.
    void Progress(int pos);
    // On the user-interface thread, once the worker has ended and the run state is idle again:
    // the document's pixel array holds the result, or none (cancelled, or why in `outcome`).
    void Finished(QuantResult outcome);

private:
    CKorvoDoc& m_doc;
    const PanelValues m_values;
    const std::vector<std::uint32_t> m_palette;
    CQuantSign& m_sign;
    QuantResult m_outcome = QuantResult::Done; // written by the worker, read once it has ended
    int m_transparentIndex = -1;               // the same
    CRunWorker m_worker;                       // last: it waits for the worker first
};
