#pragma once
// A main window on a whole kernel on the simulated instrument, with the worker left out:
// the window's lifecycle calls are recorded instead, message boxes are answered and
// recorded, and the screen saver is left alone. Do not include <QApplication> here or in a
// test that includes this: its X11 part declares a global Display.

#include "form_main.h"
#include "message_box.h"
#include "screen_saver.h"
#include "simulated_kernel.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <memory>
#include <string>
#include <vector>

class MainWindowTest : public ::testing::Test {
protected:
    // `stateFile` becomes the installation's state.ini; `generation` the instrument's;
    // `graphicMode` the registry's "graphicmode" (empty: none, which is mode 0).
    void start(const std::string& stateFile = "", int generation = _HW4, const std::string& graphicMode = "") {
        setScreenSaverControl(screenSaver);
        setMessageBoxHandler([this](const MessageRequest& r) {
            messages.push_back(r);
            return answer;
        });
        kernel = std::make_unique<SimulatedKernel>(generation, true, stateFile);
        if (!graphicMode.empty()) {
            IniFile registry(kernel->dir().file("config/velmora2/registry.ini"));
            registry.writeString("Velmora2", "graphicmode", graphicMode);
            registry.save();
        }
        ASSERT_TRUE(kernel->create()) << get_error_text();
        MainWindowLifecycle lifecycle;
        lifecycle.startAcquisitionThread = [this] { calls.push_back("start"); };
        lifecycle.stopAcquisitionThread = [this] { calls.push_back("stop"); };
        lifecycle.destroyKernel = [this] {
            calls.push_back("destroy");
            if (onDestroyKernel) onDestroyKernel();
            controlDestroy();
        };
        window = std::make_unique<TFormMain>(lifecycle);
    }

    void TearDown() override {
        window.reset();
        kernel.reset();
        setMessageBoxHandler({});
        setScreenSaverControl({});
    }

    // The texts of the message boxes shown so far.
    std::vector<std::string> messageTexts() const {
        std::vector<std::string> out;
        for (const MessageRequest& r : messages) out.push_back(r.text);
        return out;
    }

    // The window as the action unit and the cycle reach it.
    ActionUnit& actions() { return window->actions(); }
    MainWindowViews& views() { return *window; }
    MainWindowView& cycleView() { return *window; }

    template <class T>
    T* find(const char* name) const {
        return qobject_cast<T*>(window->control(name));
    }

    std::unique_ptr<SimulatedKernel> kernel;
    std::unique_ptr<TFormMain> window;
    std::vector<MessageRequest> messages;
    MessageResult answer = MessageResult::Ok;
    std::vector<std::string> calls;
    std::function<void()> onDestroyKernel;
    std::function<void(bool)> screenSaver = [](bool) {}; // installed by start()
};
