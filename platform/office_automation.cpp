#include "office_automation.h"

#include "atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace office {

namespace {

std::string why(int error) { return std::strerror(error); }

} // namespace

void prepareDesk(const OfficeDesk& desk, const std::string& server) {
    if (desk.folder.empty()) throw AutomationError(server + ": no folder to save into");
    std::error_code ec;
    std::filesystem::create_directories(desk.folder, ec);
    if (!std::filesystem::is_directory(desk.folder, ec))
        throw AutomationError(server + ": cannot make the folder " + desk.folder);
    if (::access(desk.folder.c_str(), W_OK | X_OK) != 0)
        throw AutomationError(server + ": cannot write into " + desk.folder + ": " + why(errno));
}

std::string writeTemporary(const std::string& path, const std::function<void(const std::string& file)>& fill) {
    std::string temp;
    std::string error;
    const int fd = createTemporary(writeTarget(path), temp, &error);
    if (fd < 0) throw AutomationError(error);
    ::close(fd);
    try {
        fill(temp);
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
    return temp;
}

void replaceWith(const std::string& temp, const std::string& path) {
    std::string error;
    if (!replaceWithTemporary(temp, writeTarget(path), &error)) throw AutomationError(error);
}

std::string placeAsNew(const std::string& temp, const std::string& folder, const std::string& stem,
                       const std::string& extension) {
    constexpr int kMostNames = 100000;
    // A new file: the permission bits the umask allows, not the temporary's private ones.
    ::chmod(temp.c_str(), newFileMode());
    for (int n = 1; n <= kMostNames; ++n) {
        const std::string candidate = (std::filesystem::path(folder) / (stem + std::to_string(n) + extension)).string();
        // A hard link never replaces a file; where the file system has none, check and rename.
        if (::link(temp.c_str(), candidate.c_str()) == 0) {
            ::unlink(temp.c_str());
            return candidate;
        }
        const int e = errno;
        if (e == EEXIST) continue;
        if (e == EPERM || e == ENOTSUP || e == EOPNOTSUPP || e == EMLINK) {
            std::error_code ec;
            if (std::filesystem::exists(candidate, ec)) continue;
            replaceWith(temp, candidate);
            return candidate;
        }
        ::unlink(temp.c_str());
        throw AutomationError("cannot save " + candidate + ": " + why(e));
    }
    ::unlink(temp.c_str());
    throw AutomationError("no free file name for " + stem + extension + " in " + folder);
}

} // namespace office
