// The state of the one quantization run the program allows at a time, shared by the user
// interface and the worker thread. The worker only writes the progress and reads the cancel
// request (both inside m_signal); everything else belongs to the user-interface thread.
#pragma once

#include "runcontrol/quant_signal.h"

class QThread;

class CQuantSign {
public:
    virtual ~CQuantSign() = default;

    QuantSignal m_signal;         // m_nProgress (0..1000) and m_bCancel
    int m_bRunning = 0;           // a run is under way somewhere
    QThread* m_pThread = nullptr; // the worker of the run under way
};

extern CQuantSign g_quantSign;
