#include "export_pause.h"

#include "thread_flags.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <thread>

void withAcquisitionPaused(const std::function<void()>& work) {
    // Counted, so that a request held by the caller's caller stays in force.
    struct Request {
        Request() { pauseRequestFlag.fetch_add(1); }
        ~Request() { pauseRequestFlag.fetch_sub(1); }
    } request;
    while (acquisitionBusyFlag != 0) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        std::this_thread::yield();
    }
    work();
}
