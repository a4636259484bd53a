#pragma once
// A child process that takes an instance lock, tells the parent through a pipe, then waits
// to be killed: a holder that ends without releasing anything. Fork before any thread of
// the test could hold a lock the child needs; the child only opens, locks and waits.

#include "instance_lock.h"

#include <csignal>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

class LockHolderProcess {
public:
    explicit LockHolderProcess(const std::string& path) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        d_pid = ::fork();
        if (d_pid == 0) {
            ::close(fds[0]);
            InstanceLock lock(path);
            const char answer = lock.acquire() == InstanceLock::Result::Acquired ? 'A' : 'N';
            if (::write(fds[1], &answer, 1) != 1) ::_exit(2);
            for (;;) ::pause();
        }
        ::close(fds[1]);
        char answer = 0;
        if (d_pid > 0 && ::read(fds[0], &answer, 1) == 1) d_acquired = answer == 'A';
        ::close(fds[0]);
    }
    ~LockHolderProcess() { kill(); }
    LockHolderProcess(const LockHolderProcess&) = delete;
    LockHolderProcess& operator=(const LockHolderProcess&) = delete;

    void kill() {
        if (d_pid <= 0) return;
        ::kill(d_pid, SIGKILL);
        ::waitpid(d_pid, nullptr, 0);
        d_pid = -1;
    }
    // The child holds the lock (false: another process held it, or the fork failed).
    bool acquired() const { return d_acquired; }

private:
    pid_t d_pid = -1;
    bool d_acquired = false;
};
