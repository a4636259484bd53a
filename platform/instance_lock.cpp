#include "instance_lock.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

std::string InstanceLock::defaultPath(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (runtime && *runtime && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode))
        return std::string(runtime) + "/" + name + ".lock";
    return "/tmp/" + name + "-" + std::to_string(::getuid()) + ".lock";
}

InstanceLock::InstanceLock(std::string path) : d_path(std::move(path)) {}

InstanceLock::~InstanceLock() { release(); }

InstanceLock::Result InstanceLock::acquire() {
    if (d_fd >= 0) return Result::Acquired;
    d_error.clear();
    // No O_TRUNC and no content: the file is only something to lock.
    int fd = ::open(d_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EACCES) fd = ::open(d_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        d_error = "cannot open " + d_path + ": " + std::strerror(errno);
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
