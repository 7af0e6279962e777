#include "rename/RunLocks.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/PathText.h"

namespace {

bool SameFolder(const std::string& a, const std::string& b) {
    struct stat first;
    struct stat second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace

RunLocks::RunLocks(const std::string& journal, const std::string& folderPath) {
    const std::string listed = platform::ListableFolder(platform::SplitAtLastSeparator(journal));
    const std::string journalDirectory = listed.empty() ? std::string(".") : listed;
    journalFolder =
        std::make_unique<platform::FileLock>(journalDirectory, platform::FileLock::Target::Folder);
    if (!journalFolder->Held() && !journalFolder->Busy()) {
        journalFile =
            std::make_unique<platform::FileLock>(journal, platform::FileLock::Target::File);
    }
    if (journalFolder->Busy() || (journalFile && journalFile->Busy())) {
        busy = true;
        why = {FailureKind::AnotherRun, journal, {}};
        return;
    }
    // One lock per folder: a folder locked twice by one process refuses itself.
    if (folderPath.empty() || SameFolder(folderPath, journalDirectory)) return;
    folder = std::make_unique<platform::FileLock>(folderPath, platform::FileLock::Target::Folder);
    if (folder->Busy()) {
        busy = true;
        why = {FailureKind::AnotherRun, folderPath, {}};
    }
}
