#include "platform/FileOps.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/FileDescriptor.h"
#include "platform/PathText.h"

namespace platform {

bool HasNul(std::string_view text) {
    return text.find('\0') != std::string_view::npos;
}

namespace {

// The longest name one folder entry may have.
constexpr std::size_t MAX_NAME_BYTES = 255;

// Sets errno for the caller and reports the failure.
bool FailWith(int error) {
    errno = error;
    return false;
}

// The name of a temporary beside `path`: "<file><marker><pid>-<n>". A file
// name too long to take the ending is cut (at the start of a UTF-8
// character), so that even a file with the longest name can be rewritten.
std::string SiblingName(const std::string& path, unsigned number) {
    const std::string ending =
        std::string(TEMPORARY_MARKER) + std::to_string(getpid()) + "-" + std::to_string(number);
    const std::size_t nameStart = path.rfind('/') + 1;  // 0 for a bare name
    std::size_t nameEnd = path.size();
    while (nameEnd > nameStart && nameEnd - nameStart + ending.size() > MAX_NAME_BYTES) --nameEnd;
    while (nameEnd > nameStart && (static_cast<unsigned char>(path[nameEnd]) & 0xC0) == 0x80) {
        --nameEnd;
    }
    return path.substr(0, nameEnd) + ending;
}

// A new file beside `path` that no one else uses, created with the default
// permissions (the umask applies).
int CreateSiblingFile(const std::string& path, std::string& created) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = SiblingName(path, counter++);
        const int fd = open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Errors that say a file system lacks a call or a flag, not that the move
// itself is wrong. Hard links: EPERM is what Linux answers for a file system
// without them (and for a link that fs.protected_hardlinks forbids, which a
// rename may still make).
bool RenameFlagUnsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}
bool HardLinksUnsupported(int error) {
    return error == EPERM || error == ENOSYS || error == EOPNOTSUPP;
}

// Writes a file's data to the disk; a file system that cannot sync (it says
// EINVAL or that the call is missing) has nothing more to give.
bool SyncData(int fd) {
    return fdatasync(fd) == 0 || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP;
}

// Gives a new file the content and the owner, group and mode of the file it
// is to replace (`existing`, none for a new one), written to the disk before
// a rename puts it in place, so that a crash leaves the old or the new content
// and never an empty file under the name. 0 or the error met.
int PrepareReplacement(int fd, const struct stat* existing, std::string_view content) {
    if (existing != nullptr) {
        struct stat created;
        if (fstat(fd, &created) != 0) return errno;
        // Only root may give a file away, and only to a group it is in: a
        // file that would change hands is left as it is (EPERM).
        if ((created.st_uid != existing->st_uid || created.st_gid != existing->st_gid) &&
            fchown(fd, existing->st_uid, existing->st_gid) != 0) {
            return errno;
        }
        // After the owner: a change of owner clears the set-id bits.
        if (fchmod(fd, existing->st_mode & 07777) != 0) return errno;
    }
    return WriteAll(fd, content) && SyncData(fd) ? 0 : errno;
}

// Moves onto a name first reserved by creating it exclusively, an empty file
// for a file and an empty folder for a folder, which the rename then
// replaces. The exclusive create fails on any name that exists, a link
// included, and of two programs reserving the same name only one succeeds,
// so nothing that stood there is replaced. Only a program that itself
// replaces names could slip a file into the reservation in the instant
// before the rename. A rename that fails takes its reservation back, unless
// something else already took its place; errno is the rename's error.
bool MoveOntoReservation(const std::string& from, const std::string& to, bool folder) {
    if (folder) {
        if (mkdir(to.c_str(), 0700) != 0) return false;
    } else {
        const int fd = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) return false;
        close(fd);
    }
    if (rename(from.c_str(), to.c_str()) == 0) return true;
    const int error = errno;
    if (folder) {
        rmdir(to.c_str());  // only ever removes an empty folder
    } else {
        struct stat reserved;
        if (lstat(to.c_str(), &reserved) == 0 && S_ISREG(reserved.st_mode) &&
            reserved.st_size == 0) {
            unlink(to.c_str());
        }
    }
    return FailWith(error);
}

bool RemoveTreeAt(int parentFd, const char* name);

// Removes everything inside an open folder, never following a link.
bool RemoveEntriesAt(int fd) {
    const int listingFd = dup(fd);
    DIR* dir = listingFd < 0 ? nullptr : fdopendir(listingFd);
    if (dir == nullptr) {
        if (listingFd >= 0) close(listingFd);
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
    return ok;
}

// Removes the entries of a folder, then the folder itself (by name in its
// parent). Works on descriptors so that a link is never followed.
bool RemoveTreeAt(int parentFd, const char* name) {
    const int fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return true;
        // Not a folder (or a link): remove the entry itself.
        return unlinkat(parentFd, name, 0) == 0 || errno == ENOENT;
    }
    const bool emptied = RemoveEntriesAt(fd);
    close(fd);
    return (unlinkat(parentFd, name, AT_REMOVEDIR) == 0 || errno == ENOENT) && emptied;
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
    // Only the size is asked for: a file system that must fetch other
    // attributes anew (FUSE after a read, for the access time) answers this
    // one from what it holds.
    struct statx status;
    if (HasNul(path) || statx(AT_FDCWD, path.c_str(), 0, STATX_SIZE, &status) != 0 ||
        (status.stx_mask & STATX_SIZE) == 0) {
        return std::nullopt;
    }
    return status.stx_size;
}

std::optional<FileState> StateOf(const std::string& path) {
    constexpr unsigned WANTED = STATX_INO | STATX_SIZE | STATX_MTIME | STATX_CTIME;
    struct statx status;
    if (HasNul(path) || statx(AT_FDCWD, path.c_str(), 0, WANTED, &status) != 0 ||
        (status.stx_mask & WANTED) != WANTED) {
        return std::nullopt;
    }
    auto nanoseconds = [](const statx_timestamp& time) {
        return std::int64_t(time.tv_sec) * 1000000000 + time.tv_nsec;
    };
    return FileState{makedev(status.stx_dev_major, status.stx_dev_minor), status.stx_ino,
                     status.stx_size, nanoseconds(status.stx_mtime), nanoseconds(status.stx_ctime)};
}

bool IsPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && !HasNul(name);
}

bool MovePath(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty() || HasNul(from) || HasNul(to)) return FailWith(EINVAL);
    struct stat source;
    if (from == to) return lstat(from.c_str(), &source) == 0;

    // The rename says itself when the source is missing: on a share, each
    // status query before it would be one more round trip per file.
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (!RenameFlagUnsupported(errno)) return false;

    // The file system does not know the no-replace flag (FUSE file systems,
    // network mounts). A second name for a file fails on a taken name, so
    // link and unlink move it without replacing anything.
    if (lstat(from.c_str(), &source) != 0) return false;
    const bool folder = S_ISDIR(source.st_mode);
    if (!folder) {
        if (link(from.c_str(), to.c_str()) == 0) {
            if (unlink(from.c_str()) == 0) return true;
            const int error = errno;
            unlink(to.c_str());
            return FailWith(error);
        }
        if (!HardLinksUnsupported(errno)) return false;
    }
    // Nor hard links (exFAT, FAT, SMB and MTP mounts through FUSE).
    return MoveOntoReservation(from, to, folder);
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
    if (linkOrPath.empty() || HasNul(linkOrPath)) return FailWith(EINVAL);
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
    struct stat existing;
    const bool haveFile = stat(path.c_str(), &existing) == 0;
    if (haveFile && !S_ISREG(existing.st_mode)) {
        return FailWith(S_ISDIR(existing.st_mode) ? EISDIR : EINVAL);
    }
    // A file of several names is left as it is: a new file would split them,
    // and writing into the shared one would change it under all its names.
    if (haveFile && existing.st_nlink > 1) return FailWith(EMLINK);

    std::string temporary;
    FileDescriptor fd(CreateSiblingFile(path, temporary));
    if (fd.Get() < 0) return false;
    int error = PrepareReplacement(fd.Get(), haveFile ? &existing : nullptr, content);
    if (!fd.Close() && error == 0) error = errno;
    if (error == 0 && rename(temporary.c_str(), path.c_str()) == 0) return true;
    if (error == 0) error = errno;
    unlink(temporary.c_str());
    return FailWith(error);
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

bool EmptyFolder(const std::string& path) {
    if (path.empty() || HasNul(path)) return false;
    const FileDescriptor fd(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    return fd.Get() >= 0 && RemoveEntriesAt(fd.Get());
}

bool LinkLeadsOutside(const std::string& path, const std::string& folder) {
    struct stat status;
    if (HasNul(path) || lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
        return false;
    }
    char* const target = realpath(path.c_str(), nullptr);
    char* const within =
        HasNul(folder) ? nullptr : realpath(folder.empty() ? "." : folder.c_str(), nullptr);
    const bool inside = target != nullptr && within != nullptr &&
                        (std::string_view(within) == "/" || PathBelow(target, within).has_value());
    free(target);
    free(within);
    return !inside;
}

}  // namespace platform
