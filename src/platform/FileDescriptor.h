#pragma once

#include <unistd.h>

namespace platform {

// Owns an open file descriptor (or none, -1) and closes it when it goes, so
// that no early return of a folder walk or a child's set-up leaks one.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd(fd) {}
    ~FileDescriptor() { Reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return fd; }

    // Hands the descriptor over to a caller that closes it.
    int Release() {
        const int released = fd;
        fd = -1;
        return released;
    }

    void Reset(int replacement = -1) {
        if (fd >= 0) close(fd);
        fd = replacement;
    }

    // Closes now, so that a failure of the last write shows; false when it failed.
    bool Close() { return close(Release()) == 0; }

private:
    int fd;
};

}  // namespace platform
