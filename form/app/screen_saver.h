#pragma once
// Keeps the desktop's screen saver from starting while the main window exists: an inhibit
// request to the session's screen-saver service over D-Bus. Where there is no session bus or
// no such service, nothing happens. GUI thread only.

#include <functional>

// on: ask for the inhibition (once; again while held does nothing); off: give it back.
void inhibitScreenSaver(bool on);

// Replaces the D-Bus request (tests, or a desktop without one); an empty function restores it.
void setScreenSaverControl(std::function<void(bool on)> control);
