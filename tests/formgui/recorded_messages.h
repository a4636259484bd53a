#pragma once
// A test fixture that answers every message box with OK and keeps its text.

#include "message_box.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class RecordedMessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        setMessageBoxHandler([this](const MessageRequest& r) {
            messages.push_back(r.text);
            return MessageResult::Ok;
        });
    }
    void TearDown() override { setMessageBoxHandler(nullptr); }

    std::vector<std::string> messages;
};
