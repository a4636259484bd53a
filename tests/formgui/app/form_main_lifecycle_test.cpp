// Program entry and the main window's end: start-up failures, the single-instance guard,
// the close query and the order of the shutdown.
#include "main_window_fixture.h"

#include "action.h"
#include "environment.h"
#include "ini_file.h"
#include "instance_lock.h"
#include "lock_holder.h"
#include "notifier.h"
#include "program_entry.h"
#include "scoped_env.h"
#include "system_registry.h"
#include "temp_dir.h"
#include "trevan_error.h"
#include "widget_helpers.h"

#include <QAction>
#include <QMainWindow>
#include <QTimer>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Program entry with its message boxes answered OK and recorded.
class ProgramEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        get_error_text();
        setScreenSaverControl([](bool) {});
        setMessageBoxHandler([this](const MessageRequest& r) {
            messages.push_back(r.text);
            return MessageResult::Ok;
        });
        options.lockPath = dir.file("DSO_Program.lock");
        options.runLoop = [this](QMainWindow& main) {
            loopTitle = QCoreApplication::applicationName().toStdString();
            main.close();
            return 0;
        };
        options.lifecycle.startAcquisitionThread = [this] { calls.push_back("start"); };
        options.lifecycle.stopAcquisitionThread = [this] { calls.push_back("stop"); };
        options.lifecycle.destroyKernel = [this] {
            calls.push_back("destroy");
            controlDestroy();
        };
    }
    void TearDown() override {
        setMessageBoxHandler({});
        setScreenSaverControl({});
        controlDestroy();
    }

    TempDir dir;
    ProgramEntryOptions options;
    std::vector<std::string> messages;
    std::vector<std::string> calls;
    std::string loopTitle;
};

TEST_F(ProgramEntryTest, FailedStartShowsTheErrorStackOrTheFixedText) {
    struct Case {
        std::vector<int> pushed;
        std::string shown;
        std::string notified;  // a message of the kernel's start, shown first
        std::string note = ""; // the program's note, after the errors
    } cases[] = {
        {{}, "Can not initialize equipment", ""},
        {{_ERR_NO_DEVICE}, std::string("Error : ") + error_message(_ERR_NO_DEVICE) + "\n", ""},
        // Newest first.
        {{_ERR_USB_OPEN, _ERR_READ_CALIBRATION},
         std::string("Error : ") + error_message(_ERR_READ_CALIBRATION) + "\nError : " + error_message(_ERR_USB_OPEN) +
             "\n",
         ""},
        {{}, "Can not initialize equipment", "The main directory was made"},
        {{_ERR_NO_DEVICE},
         std::string("Error : ") + error_message(_ERR_NO_DEVICE) + "\n\nTry the demo",
         "",
         "\nTry the demo"},
    };
    for (const Case& c : cases) {
        messages.clear();
        bool loopRan = false;
        options.startFailureNote = c.note;
        options.initialize = [&] {
            if (!c.notified.empty()) notifyUser(c.notified);
            for (int code : c.pushed) push_error(code, "kernel\\test", 1);
            return false;
        };
        options.runLoop = [&](QMainWindow&) {
            loopRan = true;
            return 0;
        };
        EXPECT_EQ(programEntry(options), -1);
        std::vector<std::string> expected{c.shown};
        if (!c.notified.empty()) expected.insert(expected.begin(), c.notified);
        EXPECT_EQ(messages, expected);
        EXPECT_FALSE(loopRan); // no form was made
        EXPECT_TRUE(calls.empty());
    }
}

TEST_F(ProgramEntryTest, NoInstallationShowsTheKernelsOwnErrors) {
    if (std::filesystem::exists(SystemRegistry::systemRegistryPath()))
        GTEST_SKIP() << "a system-wide installation exists";
    TempDir config;
    ScopedEnv env("XDG_CONFIG_HOME", config.path().c_str());
    EXPECT_EQ(programEntry(options), -1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], std::string("Error : ") + error_message(_ERR_MAIN_PATH) + "\n");
}

TEST_F(ProgramEntryTest, SecondInstanceIsRefusedAndTouchesNothing) {
    LockHolderProcess first(options.lockPath);
    ASSERT_TRUE(first.acquired());
    bool initialised = false;
    options.initialize = [&] {
        initialised = true;
        return true;
    };
    EXPECT_EQ(programEntry(options), 0);
    EXPECT_EQ(messages, std::vector<std::string>{"Application Already Running"});
    EXPECT_FALSE(initialised);

    // The first instance keeps its lock.
    InstanceLock probe(options.lockPath);
    EXPECT_EQ(probe.acquire(), InstanceLock::Result::HeldElsewhere);
}

TEST_F(ProgramEntryTest, NormalRunStartsTheWorkerAndEndsInOrder) {
    SimulatedKernel kernel(_HW4, true);
    options.initialize = [&] { return kernel.create(); };
    EXPECT_EQ(programEntry(options), 0);
    EXPECT_EQ(loopTitle, "Velmora2");
    EXPECT_EQ(messages, std::vector<std::string>{"Do you really want to Quit?"});
    EXPECT_EQ(calls, (std::vector<std::string>{"start", "stop", "destroy"}));
    EXPECT_EQ(g_control, nullptr);
    EXPECT_TRUE(std::filesystem::exists(kernel.mainFile("environment.ini")));
    EXPECT_TRUE(std::filesystem::exists(kernel.mainFile("state.ini")));
    // The lock went with the run.
    InstanceLock next(options.lockPath);
    EXPECT_EQ(next.acquire(), InstanceLock::Result::Acquired);
}

// A main directory that cannot be used is told once, at start, and kept to: no settings file
// is read or written (not in the working directory a relative one would name), and the saves
// at Quit say nothing more.
TEST_F(ProgramEntryTest, AMainDirectoryThatCannotBeUsedIsToldOnceAndLeftAlone) {
    SimulatedKernel kernel(_HW4, true);
    const std::string work = dir.file("work");
    std::filesystem::create_directories(work + "/main");
    const std::string state = "[HORIZONTAL]\ntimeDiv=3\n";
    dir.write("work/main/state.ini", state);
    const std::string plain = dir.write("plain", "");
    const struct {
        std::string main;
        const char* why;
    } cases[] = {
        {"main", "it is not an absolute path"},
        {plain, "it is not a directory"},
    };
    const std::filesystem::path workingDirectory = std::filesystem::current_path();
    std::filesystem::current_path(work);
    for (const auto& [main, why] : cases) {
        SCOPED_TRACE(main);
        IniFile registry(kernel.dir().file("config/velmora2/registry.ini"));
        registry.writeString("Velmora2", "mainDirectory", main);
        registry.save();
        messages.clear();
        int timeDiv = -1;
        options.initialize = [&] {
            const bool started = kernel.create();
            if (started) timeDiv = controlGetTimeDiv();
            return started;
        };
        EXPECT_EQ(programEntry(options), 0);
        std::sort(messages.begin(), messages.end());
        EXPECT_EQ(messages, (std::vector<std::string>{"Do you really want to Quit?",
                                                      "The main directory " + main + " cannot be used: " + why +
                                                          ". Settings will not be saved."}));
        EXPECT_NE(timeDiv, 3);
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(work))
            files.push_back(entry.path().lexically_relative(work).string());
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files, (std::vector<std::string>{"main", "main/state.ini"}));
        EXPECT_EQ(TempDir::read(work + "/main/state.ini"), state);
        EXPECT_EQ(TempDir::read(plain), "");
    }
    std::filesystem::current_path(workingDirectory);
}

// Quit through the File menu with every tool window open, opened in every order: the event
// loop ends and the files are written. The spectrum window refuses its own close (it hides
// itself), which once made the quit give up and leave the program running unsaved.
TEST_F(ProgramEntryTest, QuitEndsTheProgramWhateverToolWindowsAreOpen) {
    SimulatedKernel kernel(_HW4, true);
    options.initialize = [&] { return kernel.create(); };
    options.lifecycle = MainWindowLifecycle::standard();
    const std::array<std::function<void(TFormMain&)>, 5> openers = {
        [](TFormMain& m) { m.controls().ActionUtilFFT->trigger(); },
        [](TFormMain& m) { m.controls().actMeasure[0]->trigger(); },
        [](TFormMain& m) {
            m.controls().ActionDisplayLabel->trigger();
            emit m.controls().display->mouseDown(0, 100, 100);
        },
        [](TFormMain& m) { m.controls().ActionViewFullScreen->trigger(); },
        [](TFormMain& m) { m.controls().ActionUtilCalibration->trigger(); },
    };
    std::array<int, openers.size()> order{0, 1, 2, 3, 4};
    do {
        const std::string sequence = ::testing::PrintToString(order);
        for (const char* file : {"environment.ini", "state.ini"}) std::filesystem::remove(kernel.mainFile(file));
        messages.clear();
        bool stuck = false;
        int shown = 0;
        options.runLoop = [&](TFormMain& main) {
            QTimer::singleShot(0, &main, [&] {
                for (int i : order) openers[static_cast<std::size_t>(i)](main);
                shown = shownWindowsBesides(&main);
                main.controls().ActionFileExit->trigger();
            });
            // Only a loop that does not end waits for this.
            QTimer::singleShot(20000, &main, [&] {
                stuck = true;
                QCoreApplication::exit(1);
            });
            return runMainWindow(main);
        };
        EXPECT_EQ(programEntry(options), 0);
        ASSERT_FALSE(stuck) << sequence;
        EXPECT_EQ(shown, 5) << sequence;
        EXPECT_EQ(messages, std::vector<std::string>{"Do you really want to Quit?"}) << sequence;
        EXPECT_EQ(g_control, nullptr);
        EXPECT_TRUE(std::filesystem::exists(kernel.mainFile("environment.ini"))) << sequence;
        EXPECT_TRUE(std::filesystem::exists(kernel.mainFile("state.ini"))) << sequence;
    } while (std::next_permutation(order.begin(), order.end()));
}

// An exception while the forms are made or run is shown (a non-standard one with an empty
// text), and the program ends as after a normal run: 0, the lock released.
TEST_F(ProgramEntryTest, ExceptionIsShownAndTheEndIsNormal) {
    struct Case {
        const char* name;
        bool inConstructor; // the main window's start of the worker, else the event loop
        bool standard;
        std::vector<std::string> shown;
    } cases[] = {
        {"start-up", true, true, {"failed"}},
        {"loop", false, true, {"Do you really want to Quit?", "failed"}},
        {"loop, no std::exception", false, false, {"Do you really want to Quit?", ""}},
    };
    SimulatedKernel kernel(_HW4, true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.clear();
        const auto fail = [&] {
            if (c.standard) throw std::runtime_error("failed");
            throw 42;
        };
        options.initialize = [&] { return kernel.create(); };
        options.lifecycle.startAcquisitionThread = [&] {
            if (c.inConstructor) fail();
        };
        options.runLoop = [&](QMainWindow& main) {
            main.close();
            fail();
            return 0;
        };
        EXPECT_EQ(programEntry(options), 0);
        EXPECT_EQ(messages, c.shown);
        controlDestroy();
        InstanceLock next(options.lockPath);
        EXPECT_EQ(next.acquire(), InstanceLock::Result::Acquired);
    }
}

// ---- The close query and the order of the shutdown

int keyCount(const std::string& text) {
    int n = 0;
    std::size_t at = 0;
    while ((at = text.find('=', at)) != std::string::npos) {
        ++n;
        ++at;
    }
    return n;
}

TEST_F(MainWindowTest, CancelKeepsTheWindowLabelsAndWorker) {
    start();
    window->environment().labelList.push_back(LabelListName{});
    answer = MessageResult::Cancel;
    EXPECT_FALSE(window->close());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Do you really want to Quit?");
    EXPECT_EQ(messages[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(calls, std::vector<std::string>{"start"});
    EXPECT_EQ(window->environment().labelList.size(), 1u);
}

TEST_F(MainWindowTest, ConfirmedCloseEndsInOrderAndSavesTheLayout) {
    start();
    const std::string environmentFile = kernel->mainFile("environment.ini");
    window->environment().labelList.push_back(LabelListName{});
    window->controls().tbTrig->hide();

    EXPECT_TRUE(window->close());
    EXPECT_TRUE(window->environment().labelList.empty());
    EXPECT_FALSE(window->environment().toolBarLayout[_TOOLBAR_TRIG].Visible);
    EXPECT_TRUE(window->environment().toolBarLayout[_TOOLBAR_FILE].Visible);
    EXPECT_EQ(calls, (std::vector<std::string>{"start", "stop"}));
    EXPECT_FALSE(std::filesystem::exists(environmentFile)); // written only at destruction

    std::string atKernelEnd;
    onDestroyKernel = [&] { atKernelEnd = TempDir::read(environmentFile); };
    window.reset();
    EXPECT_EQ(calls, (std::vector<std::string>{"start", "stop", "destroy"}));
    // The environment file was complete before the kernel went.
    EXPECT_EQ(keyCount(atKernelEnd), 64);
    EXPECT_NE(atKernelEnd.find("trigVisible=0"), std::string::npos);
    EXPECT_NE(atKernelEnd.find("fileVisible=1"), std::string::npos);
    EXPECT_EQ(g_control, nullptr);
}

TEST_F(MainWindowTest, DestroyedWithoutACloseStillStopsTheWorkerFirst) {
    start();
    window.reset();
    EXPECT_EQ(calls, (std::vector<std::string>{"start", "stop", "destroy"}));
    EXPECT_TRUE(messages.empty());
}

} // namespace
