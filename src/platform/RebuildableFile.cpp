#include "platform/RebuildableFile.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileOps.h"

namespace platform {

RebuildableFile::RebuildableFile(std::string path)
    : path(std::move(path)), spare(this->path + ".orvane-tmp") {}

RebuildableFile::~RebuildableFile() {
    unlink(spare.c_str());
}

bool RebuildableFile::Replace(std::string_view content) {
    if (path.empty() || HasNul(path)) return false;
    // O_NOFOLLOW: a link planted under the spare's name is never written through.
    // No O_TRUNC: the new version overwrites the old one's pages and the rest
    // is cut afterwards. Emptying a file makes ext4 write it out on close,
    // which would cost more than the whole rewrite.
    const int fd = open(spare.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    struct stat existing;
    const bool haveFile = stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    bool ok = !haveFile || fchmod(fd, existing.st_mode & 07777) == 0;
    ok = ok && WriteAll(fd, content);
    ok = ok && ftruncate(fd, off_t(content.size())) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok) {
        // A half-written spare would hold the space a full disk lacks for
        // the run's other files (its journal first) until the run ends.
        unlink(spare.c_str());
        return false;
    }
    if (haveFile &&
        renameat2(AT_FDCWD, spare.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) == 0) {
        return true;
    }
    // No file to change places with yet (or a file system that cannot swap).
    return rename(spare.c_str(), path.c_str()) == 0;
}

}  // namespace platform
