// The status bar: one pane whose idle text is "Quantizing, please wait..." while a run is under
// way, else a note on the last picture opened or the last run (empty when there is nothing to
// tell), whenever no menu prompt is shown; and the run's progress bar (0..1000) over the right
// half of the pane, placed again on every resize and keeping its position. On the right, areas
// that stay: the quality figures of the active run result and the active picture's zoom.
#pragma once

#include <QStatusBar>

class QLabel;
class QProgressBar;

class CMainStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit CMainStatusBar(QWidget* parent = nullptr);

    // Switches the idle text between the run's text and nothing; either way the note goes.
    void SetRunning(bool running);
    // A note for the user as the idle text, until the next note or run; empty for none.
    void SetNote(const QString& text);
    QString IdleText() const;
    // The text a user sees now: a menu prompt, else the idle text.
    QString ShownText() const;

    void SetProgressPos(int pos);
    QProgressBar* Progress() const { return m_pProgress; }

    // The permanent areas; an empty text hides its area.
    void SetZoomText(const QString& text);
    void SetFiguresText(const QString& text);
    QString ZoomText() const;
    QString FiguresText() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceProgress();

    QLabel* m_pIdle;
    QLabel* m_pFigures;
    QLabel* m_pZoom;
    QProgressBar* m_pProgress;
    int m_nProgressPos = 0;
    bool m_bRunning = false;
};
