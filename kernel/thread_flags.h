#pragma once
// The five flags through which the GUI thread and the worker thread meet. The kernel reads
// abortReadFlag (a sample-buffer read in progress returns early) and writes
// triggerTimeoutFlag (the last capture saw no trigger).

#include <atomic>

extern std::atomic<unsigned char> threadRunFlag;
extern std::atomic<unsigned char> acquisitionBusyFlag;
extern std::atomic<unsigned char> pauseRequestFlag;
extern std::atomic<unsigned char> abortReadFlag;
extern std::atomic<unsigned char> triggerTimeoutFlag;
