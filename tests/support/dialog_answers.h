#pragma once
// Answers the tool windows' message boxes and save dialogs for one test, and keeps what they
// asked. Restores the real dialogs when it goes.

#include "message_box.h"
#include "tool_file_dialog.h"

#include <string>
#include <vector>

struct DialogAnswers {
    DialogAnswers() {
        setMessageBoxHandler([this](const MessageRequest& r) {
            messages.push_back(r.text);
            return MessageResult::Ok;
        });
        setSaveFileHandler([this](QWidget*, const SaveFileRequest& r) {
            saveRequests.push_back(r);
            return saveAnswer;
        });
    }
    ~DialogAnswers() {
        setMessageBoxHandler(nullptr);
        setSaveFileHandler(nullptr);
    }
    DialogAnswers(const DialogAnswers&) = delete;
    DialogAnswers& operator=(const DialogAnswers&) = delete;

    std::vector<std::string> messages;         // texts of the message boxes shown
    std::vector<SaveFileRequest> saveRequests; // save dialogs opened
    std::string saveAnswer;                    // the name the save dialog returns; empty cancels
};
