#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

FileLock::FileLock(std::string path, Target target) : path(std::move(path)), target(target) {
    fd = Take();
}

FileLock::~FileLock() {
    if (fd >= 0) close(fd);
    if (replacedFd >= 0) close(replacedFd);
}

int FileLock::Take() {
    // A file replaced between the open and the lock is not the journal any
    // more: the lock is taken again on what the name holds then.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int flags = target == Target::Folder
                              ? O_RDONLY | O_DIRECTORY | O_CLOEXEC
                              : O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
        int opened = open(path.c_str(), flags, 0666);
        // A journal that may be read but not written still locks (for a run
        // that writes nothing); the writes tell the rest.
        if (opened < 0 && target == Target::File && (errno == EACCES || errno == EROFS)) {
            opened = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        }
        if (opened < 0) {
            error = errno;
            return -1;
        }
        struct stat held;
        struct stat named;
        if (flock(opened, LOCK_EX | LOCK_NB) != 0) {
            error = errno;
            close(opened);
            return -1;
        }
        if (fstat(opened, &held) == 0 && target == Target::File && !S_ISREG(held.st_mode)) {
            error = EINVAL;
            close(opened);
            return -1;
        }
        if (stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            error = 0;
            return opened;
        }
        close(opened);
    }
    error = EWOULDBLOCK;
    return -1;
}

bool FileLock::Renew() {
    if (target == Target::Folder) return Held();
    const int renewed = Take();
    if (renewed < 0) return false;
    if (replacedFd >= 0) close(replacedFd);
    replacedFd = fd;
    fd = renewed;
    return true;
}

}  // namespace platform
