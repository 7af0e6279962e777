#include "FuzzFolder.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/FileOps.h"

namespace {

struct Folder {
    Folder() {
        const bool haveShm = platform::KindOf("/dev/shm") == platform::PathKind::Folder;
        std::string pattern =
            (haveShm ? std::string("/dev/shm/") : platform::TempFolder()) + "orvane-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        path = pattern;
    }
    ~Folder() { platform::RemoveTree(path); }
    std::string path;
};

}  // namespace

const std::string& FuzzFolder() {
    static const Folder folder;
    return folder.path;
}

std::string WriteFuzzFile(const std::string& name, std::string_view content) {
    const std::string path = FuzzFolder() + "/" + name;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || write(fd, content.data(), content.size()) != ssize_t(content.size())) {
        std::perror(path.c_str());
        std::abort();
    }
    close(fd);
    return path;
}
