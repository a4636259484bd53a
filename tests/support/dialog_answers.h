#pragma once
// Answers the tool windows' message boxes and save dialogs for one test, and keeps what they
// asked. Restores the real dialogs when it goes.

#include "file_dialog.h"
#include "message_box.h"

#include <optional>
#include <string>
#include <vector>

struct DialogAnswers {
    DialogAnswers() {
        setMessageBoxHandler([this](const MessageRequest& r) {
            messages.push_back(r.text);
            return MessageResult::Ok;
        });
        setFileDialogHandler([this](const FileDialogRequest& r) -> std::optional<std::string> {
            saveRequests.push_back(r);
            if (saveAnswer.empty()) return std::nullopt;
            return saveAnswer;
        });
    }
    ~DialogAnswers() {
        setMessageBoxHandler(nullptr);
        setFileDialogHandler(nullptr);
    }
    DialogAnswers(const DialogAnswers&) = delete;
    DialogAnswers& operator=(const DialogAnswers&) = delete;

    std::vector<std::string> messages;           // texts of the message boxes shown
    std::vector<FileDialogRequest> saveRequests; // save dialogs opened
    std::string saveAnswer;                      // the name the save dialog returns; empty cancels
};
