#pragma once
// The program's main window on a whole kernel on the simulated instrument with the real
// worker running, the measurement and spectrum windows attached as at start-up, and every
// modal answer coming from the test seams: message boxes answer OK, file dialogs name a file
// of the test's own folder by the extension asked for, the office desk and the printer stay
// in that folder. Frames shown by the window are counted. Do not include <QApplication> here.

#include "acquisition_thread.h"
#include "cycle_rig.h"
#include "data_export.h"
#include "file_dialog.h"
#include "form_fft_dlg.h"
#include "form_main.h"
#include "form_measure.h"
#include "message_box.h"
#include "screen_image.h"
#include "screen_saver.h"
#include "simulated_kernel.h"
#include "tool_window_kernel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

// Counts the frames the worker hands over (GUI thread).
class CountingMainWindow : public TFormMain {
public:
    using TFormMain::TFormMain;
    void showFrame(const QImage& frame) override {
        ++frames;
        TFormMain::showFrame(frame);
    }
    // Called once by every cycle (worker thread): counts the cycles.
    int gridColor() const override {
        ++cycles;
        return TFormMain::gridColor();
    }
    int frames = 0;
    mutable std::atomic<int> cycles{0};
};

class LiveMainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        setScreenSaverControl([](bool) {});
        setMessageBoxHandler([this](const MessageRequest& r) {
            messages.push_back(r.text);
            return MessageResult::Ok;
        });
        setFileDialogHandler([this](const FileDialogRequest& r) -> std::optional<std::string> {
            return kernel.dir().file("answer." + r.defaultExtension);
        });
        setOfficeDesk({kernel.dir().path(), nullptr});
        setPrintDialogFunction([](QPrinter&) { return false; });
        ASSERT_TRUE(kernel.create()) << get_error_text();
        // The worker starts once the whole window exists: it calls the window's virtual members.
        MainWindowLifecycle lifecycle = MainWindowLifecycle::standard();
        lifecycle.startAcquisitionThread = [] {};
        window = std::make_unique<CountingMainWindow>(lifecycle);
        measure = std::make_unique<TFormMeasure>(toolKernel, &window->environment());
        spectrum = std::make_unique<TFormFFTDlg>(toolKernel);
        TFormMain::StartupWindows windows;
        windows.measure = measure.get();
        windows.spectrum = spectrum.get();
        window->attachWindows(windows);
        ASSERT_TRUE(startAcquisitionThread());
    }

    void TearDown() override {
        if (window) window->attachWindows({});
        window.reset();
        spectrum.reset();
        measure.reset();
        setPrintDialogFunction({});
        setOfficeDesk({});
        setFileDialogHandler(nullptr);
        setMessageBoxHandler(nullptr);
        setScreenSaverControl({});
        EXPECT_EQ(pauseRequestFlag.load(), 0);
        EXPECT_EQ(heldChanges(), 0);
    }

    // The window as the action unit and the cycle reach it.
    ActionUnit& actions() { return window->actions(); }
    MainWindowViews& views() { return *window; }
    MainWindowView& cycleView() { return *window; }

    // Pumps events until `count` more frames were shown; false after the hang guard.
    bool framesArrive(int count, std::chrono::seconds limit = std::chrono::seconds(60)) {
        const int target = window->frames + count;
        return pumpUntil([&] { return window->frames >= target; }, limit);
    }

    // Every trace on: the cycle re-renders the reference and computes the math trace too.
    SimulatedKernel kernel{_HW4, true,
                           "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=1\nchannelOnOff3=1\nchannelOnOff4=1\n"};
    FacadeToolWindowKernel toolKernel;
    std::unique_ptr<CountingMainWindow> window;
    std::unique_ptr<TFormMeasure> measure;
    std::unique_ptr<TFormFFTDlg> spectrum;
    std::vector<std::string> messages;
};
