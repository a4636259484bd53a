#pragma once
// What the main window calls to run the worker and to end the kernel. The program uses the
// defaults (the worker thread of acquisition_thread.h and controlDestroy); tests replace
// them to see the order of the calls. Kept apart from form_main.h so that program entry can
// name it without the window's headers.

#include <functional>

struct MainWindowLifecycle {
    std::function<void()> startAcquisitionThread;
    std::function<void()> stopAcquisitionThread;
    std::function<void()> destroyKernel;

    static MainWindowLifecycle standard();
};
