#include "atomic_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view kTemporaryMark = ".tmp";
constexpr std::size_t kRandomPart = 6; // the XXXXXX of mkstemp

ReplaceHook& replaceHook() {
    static ReplaceHook hook;
    return hook;
}

bool fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

bool isRandomPart(std::string_view part) {
    if (part.size() != kRandomPart) return false;
    for (char c : part)
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    return true;
}

// <base>.tmpXXXXXX, or <base>.tmpXXXXXX.XXXXXX: the temporary libzip makes beside ours while
// it writes an office file into it (a kill leaves both).
bool isOurTemporaryName(std::string_view name, std::string_view base) {
    const std::size_t ours = base.size() + kTemporaryMark.size() + kRandomPart;
    if (name.size() != ours && name.size() != ours + 1 + kRandomPart) return false;
    if (name.substr(0, base.size()) != base || name.substr(base.size(), kTemporaryMark.size()) != kTemporaryMark)
        return false;
    if (!isRandomPart(name.substr(base.size() + kTemporaryMark.size(), kRandomPart))) return false;
    return name.size() == ours || (name[ours] == '.' && isRandomPart(name.substr(ours + 1)));
}

} // namespace

std::string writeTarget(const std::string& path) {
    namespace fs = std::filesystem;
    fs::path p(path);
    constexpr int kMostLinks = 40; // as the kernel's own limit on a chain of links
    for (int hop = 0; hop < kMostLinks; ++hop) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        std::error_code ec;
        const fs::path link = fs::read_symlink(p, ec);
        if (ec) break;
        p = link.is_absolute() ? link : p.parent_path() / link;
    }
    return p.string();
}

void removeStaleTemporaries(const std::string& target) {
    const std::filesystem::path p(target);
    const std::string base = p.filename().string();
    const std::string folder = p.has_parent_path() ? p.parent_path().string() : std::string(".");
    if (base.empty()) return;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const uid_t me = ::geteuid();
    while (const dirent* entry = ::readdir(dir)) {
        if (!isOurTemporaryName(entry->d_name, base)) continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISREG(st.st_mode) && st.st_uid == me) ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

int createTemporary(const std::string& target, std::string& name, std::string* error) {
    removeStaleTemporaries(target);
    const std::string pattern = target + std::string(kTemporaryMark) + std::string(kRandomPart, 'X');
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0) {
        fail(error, "cannot create a temporary file beside " + target + ": " + std::strerror(errno));
        return -1;
    }
    name.assign(buffer.data());
    return fd;
}

unsigned newFileMode() {
    // umask() can only be read by setting it, which races with other threads creating files;
    // the kernel reports it in the process status.
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        unsigned mask = 0;
        if (std::sscanf(line.c_str(), "Umask: %o", &mask) == 1) return 0666u & ~mask;
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666u & ~static_cast<unsigned>(mask);
}

bool replaceWithTemporary(const std::string& temporary, const std::string& target, std::string* error) {
    struct stat st {};
    const unsigned mode = ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : newFileMode();
    // A file system without permission bits refuses this; the file is still sound.
    (void)::chmod(temporary.c_str(), mode);
    if (replaceHook()) replaceHook()(temporary, target);
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int e = errno;
        ::unlink(temporary.c_str());
        return fail(error, "cannot replace " + target + ": " + std::strerror(e));
    }
    if (error) error->clear();
    return true;
}

void setReplaceHook(ReplaceHook hook) { replaceHook() = std::move(hook); }

bool atomicWriteFile(const std::string& path, std::string_view content, std::string* error) {
    const std::string target = writeTarget(path);
    std::string temporary;
    const int fd = createTemporary(target, temporary, error);
    if (fd < 0) return false;
    auto abandon = [&](const char* step, int e) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return fail(error, std::string(step) + path + ": " + std::strerror(e));
    };
    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return abandon("cannot write ", errno);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 && errno != EINVAL) return abandon("cannot write ", errno);
    if (::close(fd) != 0) {
        const int e = errno;
        ::unlink(temporary.c_str());
        return fail(error, "cannot close " + path + ": " + std::strerror(e));
    }
    return replaceWithTemporary(temporary, target, error);
}

int readWholeFile(const std::string& path, std::size_t maxBytes, std::string& bytes) {
    bytes.clear();
    // Without O_NONBLOCK a named pipe would block here until some writer opens it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return errno;
    struct stat st {};
    int e = 0;
    if (::fstat(fd, &st) != 0)
        e = errno;
    else if (S_ISDIR(st.st_mode))
        e = EISDIR;
    else if (!S_ISREG(st.st_mode))
        e = kNotRegularFile; // a pipe, socket or device: no settings or record file
    if (e != 0) {
        ::close(fd);
        return e;
    }
    if (static_cast<std::uintmax_t>(st.st_size) > maxBytes) {
        ::close(fd);
        return EFBIG;
    }
    // Read one byte past the cap: a file that grows, or a device, is caught there too.
    char chunk[65536];
    while (bytes.size() <= maxBytes) {
        const std::size_t want = std::min(sizeof chunk, maxBytes + 1 - bytes.size());
        const ssize_t n = ::read(fd, chunk, want);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int e = errno;
            ::close(fd);
            bytes.clear();
            return e;
        }
        if (n == 0) break;
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (bytes.size() > maxBytes) {
        bytes.clear();
        return EFBIG;
    }
    return 0;
}

std::string readErrorText(int error) {
    if (error == kNotRegularFile) return "it is not a regular file";
    if (error == EFBIG) return "it is too large";
    return std::strerror(error);
}
