// Preloaded into a test program, makes every file system behave like one
// without the no-replace rename and without hard links (exFAT through FUSE,
// SMB through gvfs): renameat2 with RENAME_NOREPLACE fails with EINVAL, link
// and linkat with EPERM, as those file systems answer. With
// ORVANE_SHIM_LOG set, each fdatasync and rename is also appended to that
// file ("fdatasync <file>", "rename <from> <to>"), so that a test can see in
// which order a file was written.
#include <fcntl.h>
#include <stdio.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

void Log(const std::string& line) {
    const char* log = std::getenv("ORVANE_SHIM_LOG");
    if (log == nullptr) return;
    const int fd = int(syscall(SYS_openat, AT_FDCWD, log, O_WRONLY | O_CREAT | O_APPEND, 0600));
    if (fd < 0) return;
    const std::string text = line + "\n";
    [[maybe_unused]] const ssize_t written = syscall(SYS_write, fd, text.data(), text.size());
    syscall(SYS_close, fd);
}

// The file an open descriptor stands for.
std::string FileOf(int fd) {
    char target[4096];
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t length = readlink(self.c_str(), target, sizeof target);
    return length > 0 ? std::string(target, std::size_t(length)) : std::string();
}

}  // namespace

extern "C" {

// Tells a test program that it runs with this shim.
__attribute__((visibility("default"))) int orvane_no_link_file_system = 1;

int renameat2(int oldFolder, const char* oldPath, int newFolder, const char* newPath,
              unsigned flags) noexcept {
    if ((flags & RENAME_NOREPLACE) != 0) {
        errno = EINVAL;
        return -1;
    }
    return int(syscall(SYS_renameat2, oldFolder, oldPath, newFolder, newPath, flags));
}

int rename(const char* from, const char* to) noexcept {
    Log(std::string("rename ") + from + " " + to);
    return int(syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, 0));
}

int link(const char*, const char*) noexcept {
    errno = EPERM;
    return -1;
}

int linkat(int, const char*, int, const char*, int) noexcept {
    errno = EPERM;
    return -1;
}

int fdatasync(int fd) {
    Log("fdatasync " + FileOf(fd));
    return int(syscall(SYS_fdatasync, fd));
}
}
