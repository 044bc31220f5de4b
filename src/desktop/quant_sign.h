// The state of the one quantization run the program allows at a time, shared by the user
// interface and the worker thread. The worker only writes the progress and reads the cancel
// request (both inside m_signal); m_bRunning belongs to the user-interface thread. The
// application owns the one object and hands it to the main window, which hands it to each run.
#pragma once

#include "runcontrol/quant_signal.h"

class CQuantSign {
public:
    QuantSignal m_signal;    // m_nProgress (0..1000) and m_bCancel
    bool m_bRunning = false; // a run is under way somewhere
};
