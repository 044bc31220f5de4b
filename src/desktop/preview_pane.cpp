#include "desktop/preview_pane.h"

#include "desktop/clipboard.h"
#include "document/display_image.h"
#include "document/korvo_doc.h"
#include "quant/quant.h"

#include <QFutureWatcher>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <cmath>
#include <vector>

namespace {

// The pause after the last change before a computation starts: a burst of changes (typing a
// number, dragging a slider) gives one computation, well within the 300 ms a preview may take.
constexpr int kPauseMs = 40;

} // namespace

DibHandle SubsampledCopy(const QImage& image, std::int64_t maxPixels) {
    if (image.isNull() || maxPixels < 1)
        return {};
    const std::int64_t w = image.width(), h = image.height();
    const double scale = std::min(1.0, std::sqrt(double(maxPixels) / (double(w) * double(h))));
    int nw = std::max(1, int(double(w) * scale));
    int nh = std::max(1, int(double(h) * scale));
    while (std::int64_t(nw) * nh > maxPixels) // rounding may leave one row or column too many
        (nw >= nh ? nw : nh) -= 1;
    QImage small(nw, nh, QImage::Format_RGB32);
    if (small.isNull())
        return {};
    // The picture pixel under the centre of each new pixel.
    std::vector<int> columns(std::size_t(nw), 0);
    for (int x = 0; x < nw; ++x)
        columns[std::size_t(x)] = int((2 * std::int64_t(x) + 1) * w / (2 * std::int64_t(nw)));
    const QImage rgb = image.format() == QImage::Format_RGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < nh; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(
            rgb.constScanLine(int((2 * std::int64_t(y) + 1) * h / (2 * std::int64_t(nh)))));
        auto* out = reinterpret_cast<QRgb*>(small.scanLine(y));
        for (int x = 0; x < nw; ++x)
            out[x] = in[columns[std::size_t(x)]];
    }
    return DibFromImage(small);
}

CPreviewPane::CPreviewPane(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("previewPane"));
    setMinimumSize(220, 220);
    m_pNote = new QLabel(this);
    m_pNote->setObjectName(QStringLiteral("previewNote"));
    m_pNote->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1); // the picture is painted above the note
    layout->addWidget(m_pNote);
    m_pause.setSingleShot(true);
    m_pause.setInterval(kPauseMs);
    connect(&m_pause, &QTimer::timeout, this, &CPreviewPane::Start);
    m_pool.setMaxThreadCount(1);
}

CPreviewPane::~CPreviewPane() {
    Stop();
    m_pool.waitForDone(); // the engine sees the cancel request within a row
}

void CPreviewPane::SetPicture(const CKorvoDoc* doc) {
    Stop();
    m_source.reset();
    m_result.reset();
    m_shown = QImage();
    m_shownValues.reset();
    m_strFailure.clear();
    m_nComputations = 0;
    m_bApproximate = false;
    if (doc && doc->HasDib()) {
        const std::int64_t pixels = std::int64_t(doc->m_sizeDoc.width()) * doc->m_sizeDoc.height();
        m_bApproximate = pixels > m_nWholeLimit;
        DibHandle copy = m_bApproximate ? SubsampledCopy(doc->DisplayImage(), m_nWholeLimit / 2)
                                        : DibDuplicate(doc->m_hDib);
        if (copy)
            m_source = std::make_shared<const DibHandle>(std::move(copy));
        else
            m_strFailure = tr("not enough memory for a preview");
    }
    ShowNote();
    update();
}

void CPreviewPane::SetValues(const PanelValues& values) {
    if (!m_source)
        return;
    m_pending = values;
    m_pause.start();
}

void CPreviewPane::Stop() {
    m_pause.stop();
    m_pending.reset();
    if (m_job)
        m_job->cancelled.store(true);
    m_job.reset();
    m_running.reset();
}

bool CPreviewPane::IsSettled() const {
    return !m_pause.isActive() && !m_job;
}

void CPreviewPane::Start() {
    if (!m_pending || !m_source)
        return;
    const PanelValues values = *m_pending;
    m_pending.reset();
    if (m_job ? values == m_running : values == m_shownValues)
        return; // already under way, or shown
    if (m_job)
        m_job->cancelled.store(true);
    auto job = std::make_shared<Job>();
    m_job = job;
    m_running = values;
    ++m_nComputations;
    // A watcher for each computation: one that was superseded never reports to this pane.
    auto* watcher = new QFutureWatcher<std::shared_ptr<Outcome>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, job] {
        watcher->deleteLater();
        if (job == m_job)
            OnFinished(*watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(&m_pool, [job, source = m_source, values] {
        auto outcome = std::make_shared<Outcome>();
        if (job->cancelled.load())
            return outcome;
        CPixelArray graph;
        graph.SetSource(source.get());
        QuantSignal signal;
        // The engine clears the cancel request when it starts; the job's own flag raises it
        // again at the next progress report.
        signal.m_onProgress = [&signal, job](int) {
            if (job->cancelled.load(std::memory_order_relaxed))
                signal.m_bCancel.store(1);
        };
        const QuantResult result = CQuant(SettingsForRun(values)).Quantize(graph, signal, {});
        if (result == QuantResult::Done) {
            outcome->dib = graph.TakeResult();
            outcome->shown = DibMakeDisplayImage(outcome->dib);
        } else if (result != QuantResult::Cancelled) {
            outcome->failure = QString::fromUtf8(QuantResultText(result));
        }
        return outcome;
    }));
    ShowNote();
}

void CPreviewPane::OnFinished(Outcome& outcome) {
    m_job.reset();
    m_strFailure = outcome.failure;
    if (outcome.dib) {
        m_result = std::move(outcome.dib);
        m_shown = std::move(outcome.shown);
        m_shownValues = m_running;
    }
    m_running.reset();
    ShowNote();
    update();
    if (m_result)
        emit Updated();
}

QString CPreviewPane::Note() const {
    return m_pNote->text();
}

void CPreviewPane::ShowNote() {
    if (!m_strFailure.isEmpty())
        m_pNote->setText(tr("No preview: %1").arg(m_strFailure));
    else if (!m_result && m_job)
        m_pNote->setText(tr("Computing the preview..."));
    else
        m_pNote->setText(m_bApproximate ? tr("approximate (reduced copy)") : QString());
}

void CPreviewPane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect area = rect();
    area.setBottom(m_pNote->geometry().top() - 4);
    painter.fillRect(area, palette().color(QPalette::Base));
    if (m_shown.isNull() || area.isEmpty())
        return;
    // Whole magnifications keep small pictures' pixels square; larger ones shrink to fit.
    double scale =
        std::min(double(area.width()) / m_shown.width(), double(area.height()) / m_shown.height());
    if (scale >= 1)
        scale = std::floor(scale);
    const QSizeF size(m_shown.width() * scale, m_shown.height() * scale);
    const QRectF target(area.left() + (area.width() - size.width()) / 2,
                        area.top() + (area.height() - size.height()) / 2, size.width(),
                        size.height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, m_shown);
}
