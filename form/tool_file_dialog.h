#pragma once
// Save dialogs of the tool windows, behind a replaceable function so tests can answer them.
// GUI thread only.

#include <functional>
#include <string>

class QWidget;

struct SaveFileRequest {
    std::string caption;
    // Filter in the form "CSV files (*.csv)|*.CSV": description and pattern pairs joined by '|'.
    std::string filter;
    // Appended (after a dot) to a chosen name without an extension; empty for none.
    std::string defaultExtension;
};

// Returns the chosen file name, or an empty text when the user cancels.
using SaveFileHandler = std::function<std::string(QWidget* parent, const SaveFileRequest& request)>;

std::string askSaveFileName(QWidget* parent, const SaveFileRequest& request);

// Replaces the dialog (tests); an empty handler restores it.
void setSaveFileHandler(SaveFileHandler handler);
