// The control panel's preview: the active picture as it would come out with the settings the
// panel shows now. Each change of settings starts a new computation after a short pause, on a
// thread of its own, and cancels the one under way; the controls never wait for it. A picture of
// up to kPreviewPixels goes through the engine whole, exactly as Reduce colors would reduce it;
// a larger one is previewed on a copy of half as many pixels, each a pixel of the picture (no
// new colours), and the pane says "approximate (reduced copy)".
#pragma once

#include "image/dib.h"
#include "settings/panel_values.h"

#include <QImage>
#include <QThreadPool>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <memory>
#include <optional>

class CKorvoDoc;
class QLabel;

// The largest picture previewed whole: about what the engine reduces within the preview's
// 300 ms on a machine of two cores. The reduced copy of a larger picture has half as many
// pixels: spread over a whole photograph, they hold more distinct colours than a picture of
// that size usually does, and the engine took half as long again for them (bench/view/run).
inline constexpr std::int64_t kPreviewPixels = std::int64_t{1} << 20;

// A copy of `image` with at most `maxPixels` pixels, each one a pixel of `image` (the nearest to
// where it lands), as a 24-bit picture; null when `image` is null or the memory cannot be had.
[[nodiscard]] DibHandle SubsampledCopy(const QImage& image, std::int64_t maxPixels);

class CPreviewPane : public QWidget {
    Q_OBJECT
public:
    explicit CPreviewPane(QWidget* parent = nullptr);
    ~CPreviewPane() override; // cancels the computation under way and lets it end

    // The picture to preview (copied now); nullptr stops and forgets it.
    void SetPicture(const CKorvoDoc* doc);
    bool HasPicture() const { return static_cast<bool>(m_source); }
    // The settings to preview: a computation follows after a short pause, unless they are the
    // ones already previewed or being previewed.
    void SetValues(const PanelValues& values);
    // Cancels what is under way and what is waiting; the last preview stays shown.
    void Stop();

    // The last finished preview, and whether it was made on a reduced copy.
    const DibHandle& Result() const { return m_result; }
    bool IsApproximate() const { return m_bApproximate; }
    QString Note() const;
    // Computations started since the picture was set.
    int Computations() const { return m_nComputations; }
    // Nothing waits and nothing runs.
    bool IsSettled() const;

    // The largest picture previewed whole (the copy of a larger one has half as many pixels);
    // tests lower it to reach the reduced copy cheaply.
    std::int64_t m_nWholeLimit = kPreviewPixels;

signals:
    // A new preview is shown.
    void Updated();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Job {
        std::atomic<bool> cancelled{false};
    };
    struct Outcome {
        DibHandle dib;
        QImage shown;
        QString failure; // why a computation that was not cancelled gave nothing
    };
    void Start();
    void OnFinished(Outcome& outcome);
    void ShowNote();

    std::shared_ptr<const DibHandle> m_source; // what the engine reads, shared with the workers
    bool m_bApproximate = false;
    std::optional<PanelValues> m_pending; // waiting for the pause to end
    std::optional<PanelValues> m_running; // of the computation under way
    std::optional<PanelValues> m_shownValues;
    std::shared_ptr<Job> m_job; // the computation under way, if any
    DibHandle m_result;
    QImage m_shown;
    QString m_strFailure;
    int m_nComputations = 0;
    QLabel* m_pNote;
    QTimer m_pause;
    QThreadPool m_pool; // one worker: a cancelled computation ends before the next one starts
};
