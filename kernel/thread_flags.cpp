#include "thread_flags.h"

std::atomic<unsigned char> threadRunFlag{0};
std::atomic<unsigned char> acquisitionBusyFlag{0};
std::atomic<unsigned char> pauseRequestFlag{0};
std::atomic<unsigned char> abortReadFlag{0};
std::atomic<unsigned char> triggerTimeoutFlag{0};
