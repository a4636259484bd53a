#pragma once
// Files saved whole or not at all, and files read whole within a size cap.
//
// A save writes "<file>.tmpXXXXXX" beside the file, flushes and closes it, then renames it
// over the file, so a kill at any moment leaves the old file or the new one. What a save
// keeps: a replaced file keeps its permission bits, a new file gets those the umask allows,
// and a symbolic link stays a link while the file it points to is replaced. Temporaries that
// an interrupted save left behind are removed by the next save of the same file (only names
// of that pattern, owned by this user, in that folder).

#include <cerrno>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// The file a save of `path` replaces: `path` itself, or the end of its chain of symbolic
// links (which need not exist yet). A relative link is taken from the link's own folder.
std::string writeTarget(const std::string& path);

// Removes "<target>.tmpXXXXXX" regular files of this user beside `target`, and the
// "<target>.tmpXXXXXX.XXXXXX" that libzip writes beside such a temporary.
void removeStaleTemporaries(const std::string& target);

// Creates an empty temporary "<target>.tmpXXXXXX" (mode 0600) beside `target`, after removing
// stale ones. Returns its descriptor, open for writing, and its name; -1 and `error` on failure.
int createTemporary(const std::string& target, std::string& name, std::string* error = nullptr);

// Gives the complete temporary the permission bits `target` should have and renames it over
// `target`. On failure the temporary is removed, `target` is untouched and false returned.
bool replaceWithTemporary(const std::string& temporary, const std::string& target, std::string* error = nullptr);

// Permission bits of a new file under the process's umask (0666 less the umask).
unsigned newFileMode();

// Writes `content` to `path` as above. Returns false (the old file untouched) when any step
// fails; `error` says which.
bool atomicWriteFile(const std::string& path, std::string_view content, std::string* error = nullptr);

// Test seam: called with the complete temporary and its target just before the rename. A test
// checks the old file there, or stands in for a kill (by ending a child process).
using ReplaceHook = std::function<void(const std::string& temporary, const std::string& target)>;
void setReplaceHook(ReplaceHook hook);

// What readWholeFile returns for a path that is not a regular file (a named pipe, a
// socket, a device): such a path is refused without waiting for a writer.
inline constexpr int kNotRegularFile = EINVAL;

// Reads the whole of `path` into `bytes` when it is a regular file of at most `maxBytes`.
// Returns 0, or the errno of the failure: EFBIG when the file is larger than the cap, EISDIR
// for a folder, kNotRegularFile for any other kind of file (`bytes` is then empty).
int readWholeFile(const std::string& path, std::size_t maxBytes, std::string& bytes);

// The reason of a readWholeFile failure for a message: "it is not a regular file", "it is
// too large", or the system's text of the errno.
std::string readErrorText(int error);
