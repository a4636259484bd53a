// The status-text rule and the frame hand-over of the acquisition cycle.
#include "cycle_status.h"
#include "frame_delivery.h"
#include "queued_run_state_view.h"

#include "codes.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <set>
#include <thread>
#include <vector>

namespace {

TEST(CycleStatusRule, FollowsRunStateTimeoutsAndRoll) {
    struct Row {
        int repeat;
        int runState;
        bool timedOut;
        bool triggered;
        int mode;
        bool roll;
        const char* text; // after the rows
        int count;
    };
    constexpr int N = CycleStatus::TIMEOUTS_BEFORE_CHANGE;
    const Row rows[] = {
        {1, _RUN, false, true, _NORMAL, false, "Trig'd", 0},
        {N - 1, _RUN, true, false, _NORMAL, false, "Trig'd", N - 1}, // 19 time-outs change nothing
        {1, _RUN, true, false, _NORMAL, false, "Trig?", N},          // the 20th does
        {1, _RUN, true, false, _AUTO, false, "Auto", N + 1},
        {1, _RUN, false, false, _NORMAL, false, "Trig?", 0}, // a capture resets the count
        {1, _RUN, true, true, _NORMAL, false, "Trig'd", 1},  // triggered after all
        {1, _RUN, true, false, _NORMAL, true, "Auto", 2},    // roll reads Auto always
        {1, _RUN, false, true, _NORMAL, true, "Auto", 0},
        {1, _STOP, true, false, _NORMAL, false, "Stop", 0}, // the count is kept
        {1, _SINGLE, false, false, _AUTO, true, "Ready", 0},
        {1, 7, false, true, _NORMAL, false, "Ready", 0}, // no such state: unchanged
        {1, _RUN, false, false, 5, false, "Ready", 0},   // no such mode: unchanged
    };
    CycleStatus status;
    EXPECT_EQ(status.text(), "");
    int line = 0;
    for (const Row& r : rows) {
        ++line;
        for (int i = 0; i < r.repeat; ++i) status.update({r.runState, r.timedOut, r.triggered, r.mode, r.roll});
        EXPECT_EQ(status.text(), r.text) << "row " << line;
        EXPECT_EQ(status.waitCount(), r.count) << "row " << line;
    }
    // An instrument that stops answering says so at once, in roll too; a capture ends it.
    for (int i = 0; i < 3; ++i) status.update({_RUN, true, false, _NORMAL, false});
    status.update({_RUN, false, false, _NORMAL, true, true});
    EXPECT_EQ(status.text(), "Time-out");
    EXPECT_EQ(status.waitCount(), 0);
    status.update({_STOP, false, false, _NORMAL, false, true});
    EXPECT_EQ(status.text(), "Stop");
    status.update({_RUN, false, true, _NORMAL, false});
    EXPECT_EQ(status.text(), "Trig'd");
}

TEST(CycleStatusRule, ReportsOnlyChanges) {
    CycleStatus status;
    EXPECT_TRUE(status.update({_STOP, false, false, _AUTO, false}));
    EXPECT_FALSE(status.update({_STOP, false, false, _AUTO, false}));
    EXPECT_TRUE(status.update({_RUN, false, false, _AUTO, false}));
    EXPECT_FALSE(status.update({_RUN, false, false, _AUTO, true})); // Auto either way
}

class Screen : public MainWindowView, public FullScreenView {
public:
    int measureSource() const override { return 1; }
    bool triggerLevelDragged() const override { return false; }
    int gridColor() const override { return 0; }
    void comboTexts(std::array<std::string, 4>&, std::string&) const override {}
    bool visibleToCycle() const override { return true; }

    void showFrame(const QImage& frame) override {
        if (!keepAll) held.clear();
        held.push_back(frame);
        ++shown;
    }
    void setStatusText(const std::string& text) override { texts.push_back(text); }

    bool keepAll = false;
    std::vector<QImage> held;
    int shown = 0;
    std::vector<std::string> texts;
};

QImage filled(QRgb colour) {
    QImage image(501, 401, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

void flushEvents() { QCoreApplication::processEvents(); }

TEST(FrameHandOver, PendingFramesCoalesceIntoTheNewest) {
    FrameDelivery delivery;
    Screen main, full;
    delivery.setMainView(&main);
    delivery.setFullScreenView(&full);
    const std::string stop = "Stop", run = "Trig'd";
    for (int i = 1; i <= 5; ++i)
        delivery.post(filled(qRgb(i, 0, 0)), FrameDelivery::Target::Main, i == 2 ? &stop : nullptr);
    EXPECT_EQ(delivery.posts(), 1);
    flushEvents();
    ASSERT_EQ(main.shown, 1);
    ASSERT_FALSE(main.held.empty()); // a fault here must fail the test, not end the program
    EXPECT_EQ(main.held.back().pixel(250, 200), qRgb(5, 0, 0));
    EXPECT_EQ(main.texts, std::vector<std::string>{"Stop"});

    // A text alone; then a frame for the full-screen window goes there only.
    delivery.post(QImage(), FrameDelivery::Target::Main, &run);
    flushEvents();
    EXPECT_EQ(main.shown, 1);
    EXPECT_EQ(main.texts, (std::vector<std::string>{"Stop", "Trig'd"}));
    delivery.post(filled(qRgb(9, 0, 0)), FrameDelivery::Target::FullScreen, nullptr);
    flushEvents();
    EXPECT_EQ(main.shown, 1);
    ASSERT_EQ(full.shown, 1);
    ASSERT_FALSE(full.held.empty());
    EXPECT_EQ(full.held.back().pixel(0, 0), qRgb(9, 0, 0));
    EXPECT_EQ(delivery.posts(), 3);
}

TEST(FrameHandOver, RepeatedFramesStayWhereTheyAreAndPaddedRowsArriveWhole) {
    // A frame with rows padded as a surface pads them, handed over with and without the
    // repeat check; each row states what it does to the two windows.
    std::vector<uchar> memory(2016 * 401);
    for (size_t i = 0; i < memory.size(); ++i) memory[i] = static_cast<uchar>(i * 7 + 3);
    const QImage padded(memory.data(), 501, 401, 2016, QImage::Format_RGB32);
    const std::string stop = "Stop";
    using T = FrameDelivery::Target;
    using R = FrameDelivery::Repeat;
    struct Step {
        QImage frame;
        T target;
        const std::string* text;
        R repeat;
        int mainShown, fullShown;
    };
    const Step steps[] = {
        {padded, T::Main, nullptr, R::Skip, 1, 0},
        {padded, T::Main, &stop, R::Skip, 1, 0},         // the same again: only its text
        {padded, T::FullScreen, nullptr, R::Skip, 1, 1}, // another window
        {padded, T::Main, nullptr, R::Skip, 2, 1},       // last handed over was the other's
        {filled(qRgb(1, 2, 3)), T::Main, nullptr, R::Skip, 3, 1},
        {filled(qRgb(1, 2, 3)), T::Main, nullptr, R::Post, 4, 1}, // unchecked: every frame
    };
    FrameDelivery delivery;
    Screen main, full;
    delivery.setMainView(&main);
    delivery.setFullScreenView(&full);
    int row = 0;
    for (const Step& s : steps) {
        delivery.post(s.frame, s.target, s.text, s.repeat);
        flushEvents();
        EXPECT_EQ(main.shown, s.mainShown) << "step " << row;
        EXPECT_EQ(full.shown, s.fullShown) << "step " << row;
        ++row;
    }
    EXPECT_EQ(main.texts, std::vector<std::string>{"Stop"});
    ASSERT_FALSE(full.held.empty());
    const QImage& shown = full.held.back();
    for (int y : {0, 200, 400})
        for (int x : {0, 250, 500}) ASSERT_EQ(shown.pixel(x, y), padded.pixel(x, y)) << x << " " << y;
}

TEST(FrameHandOver, BuffersAreReusedAndNeverWrittenWhileShown) {
    FrameDelivery delivery;
    Screen main;
    delivery.setMainView(&main);
    std::set<const uchar*> buffers;
    for (int i = 0; i < 20; ++i) {
        delivery.post(filled(qRgb(0, i, 0)), FrameDelivery::Target::Main, nullptr);
        flushEvents();
        ASSERT_EQ(main.held.size(), 1u);
        EXPECT_EQ(main.held.back().pixel(3, 3), qRgb(0, i, 0));
        buffers.insert(main.held.back().constBits());
    }
    EXPECT_LE(buffers.size(), 3u); // no image allocated per frame

    // A window that keeps every frame: once all buffers are held, new frames are dropped
    // rather than written into a frame on screen.
    Screen greedy;
    greedy.keepAll = true;
    FrameDelivery second;
    second.setMainView(&greedy);
    for (int i = 0; i < 5; ++i) {
        second.post(filled(qRgb(0, 0, 10 + i)), FrameDelivery::Target::Main, nullptr);
        flushEvents();
    }
    ASSERT_EQ(greedy.shown, 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(greedy.held[i].pixel(100, 100), qRgb(0, 0, 10 + i));
    greedy.held.erase(greedy.held.begin());
    second.post(filled(qRgb(0, 0, 99)), FrameDelivery::Target::Main, nullptr);
    flushEvents();
    ASSERT_EQ(greedy.shown, 4);
    ASSERT_EQ(greedy.held.size(), 3u);
    EXPECT_EQ(greedy.held.back().pixel(100, 100), qRgb(0, 0, 99));
    EXPECT_EQ(greedy.held[0].pixel(100, 100), qRgb(0, 0, 11));
    EXPECT_EQ(greedy.held[1].pixel(100, 100), qRgb(0, 0, 12));
}

class Controls : public RunStateControls {
public:
    void updateRunStopControls(int runState) override { calls.push_back({runState, std::this_thread::get_id()}); }
    void updateSingleShotButton() override { calls.push_back({-1, std::this_thread::get_id()}); }
    std::vector<std::pair<int, std::thread::id>> calls;
};

TEST(QueuedRunState, WorkerUpcallsReachTheControlsOnTheGuiThread) {
    Controls controls;
    {
        QueuedRunStateView view(controls);
        std::thread worker([&view] {
            view.updateRunStopControls(_STOP);
            view.updateSingleShotButton();
        });
        worker.join();
        EXPECT_TRUE(controls.calls.empty()); // nothing before the GUI thread gets to it
        flushEvents();
        const auto gui = std::this_thread::get_id();
        EXPECT_EQ(controls.calls, (std::vector<std::pair<int, std::thread::id>>{{_STOP, gui}, {-1, gui}}));

        // Refreshes still queued when the view goes are dropped.
        view.updateSingleShotButton();
    }
    flushEvents();
    EXPECT_EQ(controls.calls.size(), 2u);
}

} // namespace
