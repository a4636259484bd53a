#pragma once
// The standard pause handshake for the exports and the register view: request the pause, wait
// (pumping GUI events, no user input) until no cycle runs, do the work, withdraw the request
// even when the work throws. GUI thread only. Stands in for the worker thread's own helper
// (pauseStandard) until that one is on the main line.

#include <functional>

void withAcquisitionPaused(const std::function<void()>& work);
