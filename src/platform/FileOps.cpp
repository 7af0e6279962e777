#include "platform/FileOps.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>

namespace platform {

bool HasNul(std::string_view text) {
    return text.find('\0') != std::string_view::npos;
}

namespace {

// A new file beside `path` that no one else uses, created with the default
// permissions (the umask applies).
int CreateSiblingFile(const std::string& path, std::string& created) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = path + std::string(TEMPORARY_MARKER) + std::to_string(getpid()) + "-" +
                  std::to_string(counter++);
        const int fd = open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Removes the entries of an open folder, then the folder itself (by name in
// its parent). Works on descriptors so that a link is never followed.
bool RemoveTreeAt(int parentFd, const char* name) {
    const int fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return true;
        // Not a folder (or a link): remove the entry itself.
        return unlinkat(parentFd, name, 0) == 0 || errno == ENOENT;
    }
    DIR* dir = fdopendir(fd);
    if (dir == nullptr) {
        close(fd);
        return false;
    }
    bool ok = true;
    while (const dirent* entry = readdir(dir)) {
        const std::string_view child(entry->d_name);
        if (child == "." || child == "..") continue;
        if (entry->d_type == DT_DIR || entry->d_type == DT_UNKNOWN) {
            ok = RemoveTreeAt(fd, entry->d_name) && ok;
        } else if (unlinkat(fd, entry->d_name, 0) != 0 && errno != ENOENT) {
            ok = false;
        }
    }
    closedir(dir);
    return (unlinkat(parentFd, name, AT_REMOVEDIR) == 0 || errno == ENOENT) && ok;
}

}  // namespace

bool WriteAll(int fd, std::string_view content) {
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t written = write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

PathKind KindOf(const std::string& path) {
    struct stat status;
    if (HasNul(path) || stat(path.c_str(), &status) != 0) return PathKind::Missing;
    return S_ISDIR(status.st_mode) ? PathKind::Folder : PathKind::File;
}

bool IsExistingFolder(const std::string& text) {
    if (text.empty() || text.find_first_of("*?") != std::string::npos) return false;
    return KindOf(text) == PathKind::Folder;
}

bool NameTaken(const std::string& path) {
    struct stat status;
    return lstat(path.c_str(), &status) == 0;
}

int FolderChangeError(const std::string& folder) {
    return access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

bool IsExistingFile(const std::string& text) {
    if (text.empty() || text.find_first_of("*?") != std::string::npos) return false;
    return KindOf(text) == PathKind::File;
}

std::optional<std::uint64_t> FileSizeOf(const std::string& path) {
    struct stat status;
    if (HasNul(path) || stat(path.c_str(), &status) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(status.st_size);
}

bool IsPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && !HasNul(name);
}

bool MovePath(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty() || HasNul(from) || HasNul(to)) return false;
    struct stat source;
    if (lstat(from.c_str(), &source) != 0) return false;
    if (from == to) return true;

    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;

    // The file system does not know the no-replace flag.
    if (S_ISDIR(source.st_mode)) {
        struct stat target;
        if (lstat(to.c_str(), &target) == 0 || errno != ENOENT) return false;
        return rename(from.c_str(), to.c_str()) == 0;
    }
    if (link(from.c_str(), to.c_str()) != 0) return false;  // fails when `to` exists
    if (unlink(from.c_str()) != 0) {
        unlink(to.c_str());
        return false;
    }
    return true;
}

bool MoveToName(const std::string& from, const std::string& folder, std::string_view newName) {
    if (!IsPlainName(newName)) return false;
    return MovePath(from, folder + "/" + std::string(newName));
}

bool DeleteFile(const std::string& path) {
    return !HasNul(path) && unlink(path.c_str()) == 0;
}

bool SetFileTimes(const std::string& path, std::int64_t secondsSinceEpoch) {
    if (HasNul(path)) return false;
    timespec times[2];
    times[0].tv_sec = static_cast<time_t>(secondsSinceEpoch);
    times[0].tv_nsec = 0;
    times[1] = times[0];
    // A link gets its own times: dating through it would change a file
    // outside the folder the user gave.
    return utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

bool ReplaceFileContent(const std::string& linkOrPath, std::string_view content) {
    if (linkOrPath.empty() || HasNul(linkOrPath)) return false;
    // A link is rewritten at its target: replacing the link itself with a
    // regular file would cut it from the file it stood for.
    std::string path = linkOrPath;
    struct stat link;
    if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char* target = realpath(path.c_str(), nullptr);
        if (target == nullptr) return false;
        path = target;
        free(target);
    }
    std::string temporary;
    const int fd = CreateSiblingFile(path, temporary);
    if (fd < 0) return false;

    bool ok = true;
    struct stat existing;
    const bool haveFile = stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    if (haveFile) ok = fchmod(fd, existing.st_mode & 07777) == 0;
    ok = ok && WriteAll(fd, content);
    ok = close(fd) == 0 && ok;
    if (ok && rename(temporary.c_str(), path.c_str()) == 0) return true;
    unlink(temporary.c_str());
    return false;
}

std::string TempFolder() {
    std::string folder = "/tmp";
    if (const char* fromEnvironment = std::getenv("TMPDIR")) {
        if (IsExistingFolder(fromEnvironment)) folder = fromEnvironment;
    }
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

bool MakeFolder(const std::string& path, unsigned mode) {
    return !HasNul(path) && mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0;
}

bool RemoveTree(const std::string& path) {
    if (path.empty() || HasNul(path)) return false;
    return RemoveTreeAt(AT_FDCWD, path.c_str());
}

}  // namespace platform
