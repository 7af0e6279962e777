#include "image/DescriptorFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace {

// An open regular file, closed when it goes. Opening does not block on pipes
// and refuses everything that is not a plain file.
class RegularFile {
public:
    explicit RegularFile(const std::string& path) {
        if (path.empty() || path.find('\0') != std::string::npos) return;
        fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return;
        struct stat status;
        if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0) {
            close(fd);
            fd = -1;
            return;
        }
        size = std::uint64_t(status.st_size);
    }
    ~RegularFile() {
        if (fd >= 0) close(fd);
    }
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool IsOpen() const { return fd >= 0; }
    std::uint64_t Size() const { return size; }

    // Reads up to `length` bytes from `offset`; returns how many were read.
    std::size_t ReadAt(void* into, std::size_t length, std::uint64_t offset) const {
        std::size_t filled = 0;
        while (filled < length) {
            const ssize_t got = pread(fd, static_cast<char*>(into) + filled, length - filled,
                                      off_t(offset + filled));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            filled += std::size_t(got);
        }
        return filled;
    }

private:
    int fd = -1;
    std::uint64_t size = 0;
};

}  // namespace

std::optional<std::uint64_t> ReadableFileSize(const std::string& path) {
    const RegularFile file(path);
    if (!file.IsOpen()) return std::nullopt;
    return file.Size();
}

std::optional<std::string> ReadDescriptorText(const std::string& path, std::size_t limit) {
    const RegularFile file(path);
    if (!file.IsOpen() || file.Size() > limit) return std::nullopt;
    std::string text(file.Size(), '\0');
    text.resize(file.ReadAt(text.data(), text.size(), 0));
    return text;
}

std::optional<FooterWindow> ReadFooter(const std::string& path, std::size_t limit) {
    const RegularFile file(path);
    if (!file.IsOpen()) return std::nullopt;
    const std::uint64_t length = std::min<std::uint64_t>(file.Size(), limit);
    std::vector<unsigned char> bytes(length);
    if (file.ReadAt(bytes.data(), bytes.size(), file.Size() - length) != length) {
        return std::nullopt;
    }
    return FooterWindow(std::move(bytes), file.Size());
}
