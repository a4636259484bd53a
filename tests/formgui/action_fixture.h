#pragma once
// A kernel on the simulated instrument, the recording main window, and answered message
// boxes and file dialogs.

#include "action.h"
#include "message_box.h"
#include "action_recording_views.h"
#include "simulated_kernel.h"
#include "thread_flags.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class ActionTest : public ::testing::Test {
protected:
    explicit ActionTest(int generation = _HW4) : kernel(generation, true) {}

    void SetUp() override {
        ASSERT_TRUE(kernel.create()) << get_error_text();
        setMessageBoxHandler([this](const MessageRequest& r) {
            messages.push_back(r.text);
            return MessageResult::Ok;
        });
        setActionFileDialog([this](const ActionFileRequest& r) {
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
        setMessageBoxHandler(nullptr);
        setActionFileDialog(nullptr);
        EXPECT_EQ(pauseRequestFlag.load(), 0) << "a pause request was left behind";
    }

    SimulatedKernel kernel;
    RecordingViews views;
    std::vector<std::string> messages;
    std::vector<ActionFileRequest> fileRequests;
    // nullopt: cancelled.
    std::deque<std::optional<std::string>> fileAnswers;
};
