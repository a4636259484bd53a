#pragma once
// The program from its start to its end: one instance only, the kernel brought up behind
// the splash window (on a thread of its own, while what of the forms needs no kernel is built),
// the forms created, the event loop run, the forms destroyed.
//
// Returns 0 after a normal run and when another instance runs ("Application Already
// Running"); -1 when the kernel cannot be initialised (the error stack's text, or "Can not
// initialize equipment" when it is empty); the forms are then never created. An exception
// while the forms are made, run or destroyed is shown (showProgramException) and the result is
// 0, as after a normal run. The command
// line and the environment are not read (the registry file chooses the installation).
// Call it on the GUI thread with the QApplication made.

#include "main_window_lifecycle.h"

#include <functional>
#include <string>

class QMainWindow;
class TFormMain;

// controlCreate(500, 400): the kernel for a 500 x 400 display area.
bool initializeEquipment();

struct ProgramEntryOptions {
    // The single-instance lock file; empty: InstanceLock::defaultPath("DSO_Program").
    std::string lockPath;
    // Brings up the kernel, on a thread of its own; empty: initializeEquipment.
    std::function<bool()> initialize;
    // Runs the event loop once the forms exist and returns its result; empty: runMainWindow.
    std::function<int(TFormMain&)> runLoop;
    // Added to the message of a kernel that cannot be initialised.
    std::string startFailureNote;
    // How the main window runs the worker and ends the kernel.
    MainWindowLifecycle lifecycle = MainWindowLifecycle::standard();
};

int programEntry(const ProgramEntryOptions& options = {});

// Shows the main window and runs the event loop until its close is confirmed. The loop then
// ends whatever tool windows are open: they are not asked, since one of them may refuse to
// close (the spectrum window only hides) and would keep the program running unsaved.
int runMainWindow(TFormMain& main);

// The application's exception display: the message (empty for an exception that is no
// std::exception) on stderr and in an error box.
void showProgramException(const char* what);

// The main window as the widget it is, for callers that may not include its header.
QMainWindow& mainWindowWidget(TFormMain& main);
