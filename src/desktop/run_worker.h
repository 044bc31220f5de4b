// What every run of the desktop program shares: a worker thread started at its owner's priority,
// the progress poll once a second, and the flags that tell the rest of the program and the
// run's document that a run is under way, from Start until the worker has ended. The destructor
// waits for the worker: declare it after everything the worker touches.
#pragma once

#include <QObject>
#include <QThread>
#include <QTimer>
#include <functional>
#include <memory>

class CQuantSign;

class CRunWorker : public QObject {
    Q_OBJECT
public:
    // `documentRunning`: the run's document's flag.
    CRunWorker(bool& documentRunning, CQuantSign& sign);
    ~CRunWorker() override;

    // Marks the run under way and starts `work` on a thread of its own; false, with nothing
    // else changed, when no thread could be made.
    bool Start(std::function<void()> work, QThread::Priority priority);

signals:
    // Once a second while the worker runs.
    void Poll();
    // On this object's thread, once the worker has ended and the flags are idle again.
    void Ended();

private:
    void OnWorkerFinished();

    bool& m_documentRunning;
    CQuantSign& m_sign;
    QTimer m_timer;
    std::unique_ptr<QThread> m_pThread;
};
