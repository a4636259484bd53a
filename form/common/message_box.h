#pragma once
// The program's message boxes. Every form shows its texts through showMessage, so tests can
// answer them without a screen (setMessageBoxHandler) and read what was shown. GUI thread
// only; the worker never shows one (its texts reach the GUI by a queued call).

#include <functional>
#include <string>
#include <string_view>

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageResult { Ok, Cancel, Yes, No };

struct MessageRequest {
    std::string text;
    std::string caption;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
};

using MessageBoxHandler = std::function<MessageResult(const MessageRequest&)>;

// Shows a modal box (QMessageBox) and returns the button pressed; Cancel or No when the box
// is closed otherwise. The caption defaults to the application's title.
MessageResult showMessage(const std::string& text, const std::string& caption = "",
                          MessageButtons buttons = MessageButtons::Ok, MessageIcon icon = MessageIcon::None);

// Writes `content` to `path` whole or not at all (atomicWriteFile); when it cannot, shows
// "File open error: " with the reason (permission denied, disk full, ...) and returns false.
bool writeFileOrTell(const std::string& path, std::string_view content);

// Replaces the boxes (tests); an empty handler restores them.
void setMessageBoxHandler(MessageBoxHandler handler);
