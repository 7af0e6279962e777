#include "platform/AppendFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileOps.h"
#include "platform/TextLines.h"

namespace platform {

AppendFile::AppendFile(const std::string& path) {
    if (path.empty() || HasNul(path)) return;
    fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return;
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(fd);
        fd = -1;
    }
}

AppendFile::~AppendFile() {
    if (fd >= 0) close(fd);
}

bool AppendFile::Append(std::string_view bytes) {
    return fd >= 0 && WriteAll(fd, bytes);
}

bool AppendFile::AppendLine(std::string_view line) {
    std::string whole;
    whole.reserve(line.size() + LINE_END.size());
    platform::AppendLine(whole, line);
    return Append(whole);
}

bool AppendFile::Sync() {
    return fd >= 0 && fdatasync(fd) == 0;
}

bool AppendFile::Close() {
    if (fd < 0) return false;
    const int closing = fd;
    fd = -1;
    return close(closing) == 0;
}

}  // namespace platform
