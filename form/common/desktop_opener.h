#pragma once
// Opens a file in the desktop's default application through its opener (xdg-open). The
// opener is watched without blocking the GUI: xdg-open may start, find no application and end
// with a failure status ("no method available"), which a plain start call never sees.
// GUI thread only.

#include <functional>
#include <string>
#include <vector>

// Starts the opener on `path`; `failed` runs on the GUI thread when the opener cannot start or
// ends in failure (a crash or a non-zero status), once.
void openWithDesktop(const std::string& path, std::function<void()> failed);

// The opener command, the file's path appended (tests); empty: xdg-open.
void setDesktopOpener(std::vector<std::string> command);
