// The small services of the program: the kernel's messages on the GUI thread, the file
// dialogs' filters and the screen-saver inhibition of the main window.
#include "main_window_fixture.h"

#include "file_dialog.h"
#include "gui_notifier.h"

#include <QCoreApplication>

#include <thread>

namespace {

TEST(GuiNotifier, RepeatedTextWaitingToBeShownIsQueuedOnce) {
    std::vector<std::string> shown;
    setMessageBoxHandler([&](const MessageRequest& r) {
        shown.push_back(r.text);
        return MessageResult::Ok;
    });
    auto now = GuiNotifier::TimePoint{};
    auto notifier = std::make_shared<GuiNotifier>(QCoreApplication::instance(), [&] { return now; });
    std::thread worker([&] {
        for (int i = 0; i < 5; ++i) notifier->notify("USB : read failed");
        notifier->notify("Trigger time-out");
    });
    worker.join();
    EXPECT_TRUE(shown.empty()); // nothing is shown on the calling thread
    QCoreApplication::processEvents();
    EXPECT_EQ(shown, (std::vector<std::string>{"USB : read failed\nTrigger time-out"})); // one box

    now += GuiNotifier::QUIET - std::chrono::milliseconds(1);
    notifier->notify("USB : read failed"); // just closed: folded
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.size(), 1u);
    now += std::chrono::milliseconds(1);
    notifier->notify("USB : read failed"); // quiet for long enough: shown again
    notifier.reset();                      // a queued message outlives its notifier
    QCoreApplication::processEvents();
    setMessageBoxHandler({});
    EXPECT_EQ(shown.size(), 2u);
}

// A flaky cable fails a transfer every few cycles: each failure tells the same texts while
// the first box is still open (its modal loop runs the queued ones).
TEST(GuiNotifier, BurstOfOneTextWhileItsBoxShowsOpensNoOtherBox) {
    std::vector<std::string> shown;
    std::shared_ptr<GuiNotifier> notifier;
    setMessageBoxHandler([&](const MessageRequest& r) {
        shown.push_back(r.text);
        if (shown.size() == 1) {
            std::thread worker([&] {
                for (int i = 0; i < 20; ++i) {
                    notifier->notify("Error : Can't read data from buffer");
                    notifier->notify("Operation not completed");
                }
            });
            worker.join();
            QCoreApplication::processEvents();
        }
        return MessageResult::Ok;
    });
    notifier = std::make_shared<GuiNotifier>(QCoreApplication::instance());
    notifier->notify("Error : Can't read data from buffer");
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    setMessageBoxHandler({});
    EXPECT_EQ(shown, (std::vector<std::string>{"Error : Can't read data from buffer", "Operation not completed"}));
    EXPECT_EQ(notifier->folded(), 39);
}

TEST(FileDialogFilter, PairsBecomeDesktopFilters) {
    struct Case {
        const char* filter;
        const char* qt;
    } cases[] = {
        {"INI files (*.ini)|*.ini", "INI files (*.ini)"},
        {"Reference files (*.ref)|*.REF", "Reference files (*.ref *.REF)"},
        {"DAT files (*.dat)|*.DAT|All files (*.*)|*.*", "DAT files (*.dat *.DAT);;All files (*.*)"},
        {"Pictures|*.bmp;*.jpg", "Pictures (*.bmp *.jpg)"},
    };
    for (const Case& c : cases) EXPECT_EQ(qtFileFilter(c.filter), c.qt) << c.filter;
}

TEST(FileDialogFilter, HandlerAnswersInsteadOfTheDialog) {
    std::vector<FileDialogRequest> asked;
    setFileDialogHandler([&](const FileDialogRequest& r) -> std::optional<std::string> {
        asked.push_back(r);
        if (r.kind == FileDialogKind::Open) return std::nullopt;
        return std::string("/tmp/x.ref");
    });
    EXPECT_EQ(runOpenDialog("INI files (*.ini)|*.ini", "ini"), std::nullopt);
    EXPECT_EQ(runSaveDialog("Reference files (*.ref)|*.REF", "ref"), std::optional<std::string>("/tmp/x.ref"));
    setFileDialogHandler({});
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].kind, FileDialogKind::Save);
    EXPECT_EQ(asked[1].defaultExtension, "ref");
}

TEST_F(MainWindowTest, ScreenSaverIsHeldOffWhileTheWindowExists) {
    std::vector<bool> requests;
    screenSaver = [&](bool on) { requests.push_back(on); };
    start();
    EXPECT_EQ(requests, std::vector<bool>{true});
    window.reset();
    EXPECT_EQ(requests, (std::vector<bool>{true, false}));
}

} // namespace
