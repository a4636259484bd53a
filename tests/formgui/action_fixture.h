#pragma once
// A kernel on the simulated instrument, the recording main window with its action unit, and
// answered message boxes and file dialogs.

#include "action.h"
#include "action_recording_views.h"
#include "file_dialog.h"
#include "recorded_messages.h"
#include "simulated_kernel.h"
#include "thread_flags.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class ActionTest : public RecordedMessagesTest {
protected:
    explicit ActionTest(int generation = _HW4) : kernel(generation, true) {}

    void SetUp() override {
        RecordedMessagesTest::SetUp();
        ASSERT_TRUE(kernel.create()) << get_error_text();
        setFileDialogHandler([this](const FileDialogRequest& r) {
            fileRequests.push_back(r);
            std::optional<std::string> answer;
            if (!fileAnswers.empty()) {
                answer = fileAnswers.front();
                fileAnswers.pop_front();
            }
            return answer;
        });
    }
    void TearDown() override {
        RecordedMessagesTest::TearDown();
        setFileDialogHandler(nullptr);
        EXPECT_EQ(pauseRequestFlag.load(), 0) << "a pause request was left behind";
    }

    SimulatedKernel kernel;
    RecordingViews views;
    ActionUnit actions{views};
    std::vector<FileDialogRequest> fileRequests;
    // nullopt: cancelled.
    std::deque<std::optional<std::string>> fileAnswers;
};
