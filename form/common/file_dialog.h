#pragma once
// The program's open and save dialogs. Every form asks for a file name through these, so
// tests can answer without a screen (setFileDialogHandler) and read what was asked.
// GUI thread only.

#include <functional>
#include <optional>
#include <string>

class QWidget;

enum class FileDialogKind { Open, Save };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    // As the forms write it: "description|pattern", e.g. "Reference files (*.ref)|*.REF";
    // several pairs may follow one another, separated by '|'.
    std::string filter;
    // Appended (after a dot) to a typed name that has no extension, e.g. "ref".
    std::string defaultExtension;
    // The dialog's title; empty for the desktop's own.
    std::string caption;
};

// The chosen path, or nothing when the dialog was cancelled.
using FileDialogHandler = std::function<std::optional<std::string>(const FileDialogRequest&)>;

std::optional<std::string> runOpenDialog(const std::string& filter, const std::string& defaultExtension,
                                         QWidget* parent = nullptr, const std::string& caption = {});
std::optional<std::string> runSaveDialog(const std::string& filter, const std::string& defaultExtension,
                                         QWidget* parent = nullptr, const std::string& caption = {});

// Replaces the dialogs (tests); an empty handler restores them.
void setFileDialogHandler(FileDialogHandler handler);

// The filter as the desktop's dialog takes it: one "description (patterns)" entry per pair,
// joined by ";;". The pattern of a pair joins those in its description's parentheses unless
// it is already there (case counts: "*.ref" and "*.REF" are both kept).
std::string qtFileFilter(const std::string& filter);
