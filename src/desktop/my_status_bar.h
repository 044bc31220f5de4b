// The status bar: one pane whose idle text is empty, or "Quantizing, please wait..." while a run
// is under way, whenever no menu prompt is shown; and the run's progress bar (0..1000) over the
// right half of the pane, placed again on every resize and keeping its position.
#pragma once

#include <QStatusBar>

class QLabel;
class QProgressBar;

class CMyStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit CMyStatusBar(QWidget* parent = nullptr);

    // Switches the idle text between the run's text and nothing.
    void SetRunning(bool running);
    QString IdleText() const;
    // The text a user sees now: a menu prompt, else the idle text.
    QString ShownText() const;

    void SetProgressPos(int pos);
    QProgressBar* Progress() const { return m_pProgress; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceProgress();

    QLabel* m_pIdle;
    QProgressBar* m_pProgress;
    int m_nProgressPos = 0;
};
