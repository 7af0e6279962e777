#include "platform/ReadOnlyFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/FileOps.h"

namespace platform {
namespace {

FileStatus StatusOfError(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return FileStatus::Missing;
        case ENXIO:  // a socket, or a device without its driver
        case ENODEV:
            return FileStatus::NotRegular;
        default:
            return FileStatus::Unreadable;
    }
}

}  // namespace

ReadOnlyFile::ReadOnlyFile(const std::string& path) {
    if (path.empty() || HasNul(path)) return;
    // Looked at before it is opened: opening some devices already does
    // something. The descriptor is checked again, as the path may change.
    // Both ask only for what they need, which a file system holding some
    // attributes as stale (FUSE after a read, for the access time) answers
    // without a request.
    struct statx before;
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_TYPE, &before) != 0) {
        status = StatusOfError(errno);
        return;
    }
    if (!S_ISREG(before.stx_mode)) {
        status = FileStatus::NotRegular;
        return;
    }
    fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        status = StatusOfError(errno);
        return;
    }
    struct statx opened;
    const bool described = statx(fd, "", AT_EMPTY_PATH, STATX_TYPE | STATX_SIZE, &opened) == 0 &&
                           (opened.stx_mask & STATX_SIZE) != 0;
    if (!described || !S_ISREG(opened.stx_mode)) {
        status = described ? FileStatus::NotRegular : FileStatus::Unreadable;
        close(fd);
        fd = -1;
        return;
    }
    size = opened.stx_size;
    status = FileStatus::Opened;
}

ReadOnlyFile::~ReadOnlyFile() {
    if (fd >= 0) close(fd);
}

ReadOnlyFile::ReadOnlyFile(ReadOnlyFile&& other) noexcept
    : fd(std::exchange(other.fd, -1)), status(other.status), size(other.size) {}

ReadOnlyFile& ReadOnlyFile::operator=(ReadOnlyFile&& other) noexcept {
    if (this != &other) {
        if (fd >= 0) close(fd);
        fd = std::exchange(other.fd, -1);
        status = other.status;
        size = other.size;
    }
    return *this;
}

std::optional<std::size_t> ReadOnlyFile::ReadAt(void* into, std::size_t length,
                                                std::uint64_t offset) const {
    if (fd < 0) return std::nullopt;
    std::size_t filled = 0;
    while (filled < length) {
        const ssize_t got =
            pread(fd, static_cast<char*>(into) + filled, length - filled, off_t(offset + filled));
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (got == 0) break;
        filled += std::size_t(got);
    }
    return filled;
}

bool ReadOnlyFile::ReadExactly(void* into, std::size_t length, std::uint64_t offset) const {
    const std::optional<std::size_t> got = ReadAt(into, length, offset);
    return got && *got == length;
}

void ReadOnlyFile::AdviseSequential() const {
    if (fd >= 0) posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

void ReadOnlyFile::AdviseRandom() const {
    if (fd >= 0) posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
}

SmallFile ReadSmallFile(const std::string& path, std::size_t limit) {
    SmallFile result;
    const ReadOnlyFile file(path);
    switch (file.Status()) {
        case FileStatus::Opened:
            break;
        case FileStatus::Missing:
            result.outcome = SmallFile::Outcome::Missing;
            return result;
        case FileStatus::NotRegular:
            result.outcome = SmallFile::Outcome::NotRegular;
            return result;
        case FileStatus::Unreadable:
            result.outcome = SmallFile::Outcome::Unreadable;
            return result;
    }
    if (file.Size() > limit) {
        result.outcome = SmallFile::Outcome::TooLarge;
        return result;
    }
    result.text.resize(std::size_t(file.Size()));
    // A file that grew since it was opened is read as it was then; one that
    // shrank is read as far as it goes.
    const std::optional<std::size_t> got = file.ReadAt(result.text.data(), result.text.size(), 0);
    if (!got) {
        result.text.clear();
        result.outcome = SmallFile::Outcome::Unreadable;
        return result;
    }
    result.text.resize(*got);
    result.outcome = SmallFile::Outcome::Read;
    return result;
}

}  // namespace platform
