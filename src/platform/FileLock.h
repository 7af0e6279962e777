#pragma once

#include <cerrno>
#include <string>

// An exclusive lock held as long as the object lives, taken without waiting:
// two runs on the same start-up directory or the same folder would move each
// other's files, and the second one's recovery would take back a disc the
// first is still renaming. Locks are advisory (flock): every run of the
// program takes them; nothing else is kept out.
namespace platform {

class FileLock {
public:
    enum class Target { File, Folder };

    // A file is created when missing (it is the journal, which may not exist
    // yet). A folder is locked as itself.
    FileLock(std::string path, Target target);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool Held() const { return fd >= 0; }
    // Another process holds it.
    bool Busy() const { return error == EWOULDBLOCK; }
    // The errno of a failure to take it; 0 when held.
    int Error() const { return error; }

    // After the file was replaced by a new one under its name (the journal is
    // rewritten that way when old runs are dropped), locks the new one too;
    // false when another process took it meanwhile. A folder stays itself.
    bool Renew();

private:
    // Locks what `path` names now; the descriptor, or -1 with `error` set.
    int Take();

    std::string path;
    Target target;
    int fd = -1;
    int replacedFd = -1;  // the file this one was renewed from, still locked
    int error = 0;
};

}  // namespace platform
