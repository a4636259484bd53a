#pragma once
// What the spreadsheet and document automation objects share: the error their calls throw and
// the desk on which a visible application lays out its work when the exporter lets go of it.

#include <functional>
#include <stdexcept>
#include <string>

// A call the application could not carry out. The text says which call and why.
class AutomationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where a visible application puts its work: the folder it saves into (made when missing) and
// the viewer that opens a saved file (the desktop's default application). An empty viewer only
// saves.
struct OfficeDesk {
    std::string folder;
    std::function<void(const std::string& path)> open;
    // The page size of new documents: US Letter where the user's locale uses it, else A4.
    bool letterPaper = false;
};

namespace office {

// Makes the desk's folder when missing and checks that it takes files; throws AutomationError
// naming `server` ("Excel.Application", ...) when it does not.
void prepareDesk(const OfficeDesk& desk, const std::string& server);

// Makes a fresh temporary file beside `path` (same folder), has `fill` write it and returns its
// name. When `fill` throws, the file is removed and the error passes on.
std::string writeTemporary(const std::string& path, const std::function<void(const std::string& file)>& fill);

// Renames the finished `temp` over `path`; on failure removes `temp` and throws.
void replaceWith(const std::string& temp, const std::string& path);

// Moves the finished `temp` into `folder` as `stem` + N + `extension` with the lowest N from 1
// that names no file yet, never replacing one; returns the new path. On failure removes `temp`
// and throws.
std::string placeAsNew(const std::string& temp, const std::string& folder, const std::string& stem,
                       const std::string& extension);

} // namespace office
