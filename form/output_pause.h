#pragma once
// The standard pause handshake with the worker thread, for the output functions: ask the
// worker to pause, wait (pumping GUI events, no user input) until no cycle runs, do the work,
// withdraw the request. GUI thread only. Stands in for the worker's own helpers until they
// are shared.

#include <functional>

void runWithAcquisitionPaused(const std::function<void()>& work);
