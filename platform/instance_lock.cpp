#include "instance_lock.h"

#include "home_folder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A folder that only this user can change: owned by the user, writable by no one else, and
// not a link (which another user could have planted to point elsewhere).
bool privateFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

} // namespace

std::string InstanceLock::defaultPath(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && privateFolder(runtime)) return std::string(runtime) + "/" + name + ".lock";

    const char* cacheHome = std::getenv("XDG_CACHE_HOME");
    std::string cache = cacheHome && *cacheHome && cacheHome[0] == '/' ? cacheHome : "";
    if (cache.empty()) {
        const std::string home = homeFolder();
        if (home.empty()) return "";
        cache = home + "/.cache";
    }
    std::error_code ec;
    std::filesystem::create_directories(cache, ec);
    const std::string folder = cache + "/velmora2";
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return "";
    struct stat st {};
    // Ours but open to others (made by an older version or by hand): close it.
    if (::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid())
        ::chmod(folder.c_str(), 0700);
    return privateFolder(folder) ? folder + "/" + name + ".lock" : "";
}

InstanceLock::InstanceLock(std::string path) : d_path(std::move(path)) {}

InstanceLock::~InstanceLock() { release(); }

InstanceLock::Result InstanceLock::acquire() {
    if (d_fd >= 0) return Result::Acquired;
    d_error.clear();
    if (d_path.empty()) {
        d_error = "no private folder for the lock file";
        return Result::Failed;
    }
    // No O_TRUNC and no content: the file is only something to lock. A file of another user
    // is refused, or that user could hold the lock and keep this program from starting.
    const int fd = ::open(d_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        d_error = "cannot open " + d_path + ": " + std::strerror(errno);
        return Result::Failed;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        d_error = d_path + " belongs to another user";
        return Result::Failed;
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) return Result::HeldElsewhere;
        d_error = "cannot lock " + d_path + ": " + std::strerror(err);
        return Result::Failed;
    }
    d_fd = fd;
    return Result::Acquired;
}

void InstanceLock::release() {
    if (d_fd < 0) return;
    ::flock(d_fd, LOCK_UN);
    ::close(d_fd);
    d_fd = -1;
}
