#pragma once
// Answers the next modal dialog from inside its own event loop: `answer` gets the dialog
// (to set its controls) and returns whether to accept it (else it is rejected). Kept apart
// from the tests that include the main window, which must not include <QApplication>.

#include <functional>

class QDialog;

void answerNextModalDialog(std::function<bool(QDialog&)> answer);
// The same for a dialog that opens later (after a pause the action waits for): asked every
// few milliseconds until a modal dialog shows, for at most about five seconds.
void answerModalDialogWhenShown(std::function<bool(QDialog&)> answer);
