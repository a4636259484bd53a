#include "output_pause.h"

#include "thread_flags.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <thread>

void runWithAcquisitionPaused(const std::function<void()>& work) {
    // The request is a single flag, not a count: the work's end withdraws it whatever happens.
    struct Request {
        Request() { pauseRequestFlag = 1; }
        ~Request() { pauseRequestFlag = 0; }
    } request;
    while (acquisitionBusyFlag != 0) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        std::this_thread::yield();
    }
    work();
}
