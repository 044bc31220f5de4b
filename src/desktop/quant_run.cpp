#include "desktop/quant_run.h"

#include "desktop/quant_sign.h"
#include "document/korvo_doc.h"

CQuantRun::CQuantRun(CKorvoDoc& doc, const PanelValues& values, std::vector<std::uint32_t> palette,
                     CQuantSign& sign, QObject* parent)
    : QObject(parent), m_doc(doc), m_values(values), m_palette(std::move(palette)), m_sign(sign),
      m_worker(doc.m_running, sign) {
    connect(&m_worker, &CRunWorker::Poll, this,
            [this] { emit Progress(m_sign.m_signal.m_nProgress.load()); });
    connect(&m_worker, &CRunWorker::Ended, this, [this] { emit Finished(m_outcome); });
}

CQuantRun::~CQuantRun() = default;

bool CQuantRun::Start(QThread::Priority priority) {
    // The picture block stays owned by its document, which stays open and unchanged until the
    // run has finished.
    m_doc.m_graph.SetSource(&m_doc.m_hDib);
    return m_worker.Start(
        [this] {
            CQuant quant(SettingsForRun(m_values));
            if (!m_palette.empty())
                quant.SetFixedPalette(m_palette);
            m_outcome = quant.Quantize(m_doc.m_graph, m_sign.m_signal, {});
            m_transparentIndex = quant.TransparentIndex();
        },
        priority);
}
