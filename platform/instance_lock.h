#pragma once
// The single-instance guard: an exclusive flock on a lock file. The lock belongs to the open
// file, so it ends with the process however the process ends; a stale file left behind does
// not block the next start. Two opens of the same file conflict even inside one process.

#include <string>

class InstanceLock {
public:
    enum class Result {
        Acquired,      // this object holds the lock now
        HeldElsewhere, // another process (or another open of the file) holds it
        Failed         // the lock file could not be opened or locked, or belongs to another
                       // user; error() says why
    };

    // "<name>.lock" in a folder only this user can change, so that no other user of the
    // machine can hold the lock: $XDG_RUNTIME_DIR when it is such a folder, else
    // "velmora2" in the user's cache folder ($XDG_CACHE_HOME or ~/.cache), made with mode
    // 0700 when missing. Empty when neither can be had (acquire() then fails).
    static std::string defaultPath(const std::string& name);

    explicit InstanceLock(std::string path);
    ~InstanceLock(); // releases the lock
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Tries once, without waiting. Calling it again while the lock is held returns Acquired.
    Result acquire();
    // Gives the lock up and closes the file; the file itself stays.
    void release();

    bool held() const { return d_fd >= 0; }
    const std::string& path() const { return d_path; }
    const std::string& error() const { return d_error; }

private:
    std::string d_path;
    std::string d_error;
    int d_fd = -1;
};
