// The commands of the main window that belong to quantization and picture transfer: Reduce
// colors (the control panel, then one worker thread at idle priority), Cancel, the progress
// timer and the run's completion, Copy and Paste, the plug-in settings, the batch window and the
// choice of document type for New. One CQuantRun is attached to the main window before the
// window reads its settings, since the control panel's settings are read through it.
#pragma once

#include "desktop/control_panel.h"
#include "quant/quant.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QThread>
#include <QTimer>

class CKorvoDoc;
class CMainFrame;

class CQuantRun : public QObject {
    Q_OBJECT
public:
    explicit CQuantRun(CMainFrame& frame);
    ~CQuantRun() override;

    // The control panel, the live quantizer settings of the program.
    CControllPanel m_wndControlPanel;
    // The worker yields the processor to everything else; tests on a busy machine raise it so
    // that a run ends in predictable time.
    QThread::Priority m_threadPriority = QThread::IdlePriority;

    void OnReduce();
    void OnCancel();
    void OnCopy();
    void OnPaste();
    void OnPluginSettings();
    // New: the user chooses between a picture and a batch window.
    void OnFileNew();
    void OpenBatch(const QStringList& files);
    // Enables the commands this object serves; the main window calls it with its own.
    void UpdateCommandUI();

private:
    void OnProgressTimer();
    void OnRunFinished(CKorvoDoc* doc, QuantResult outcome);

    CMainFrame& m_frame;
    QTimer m_timer; // the progress poll, once a second while a run is under way
    QPointer<QThread> m_pLastThread;
};
