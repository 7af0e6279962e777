#include <cerrno>

#include "platform/FileOps.h"
#include "platform/FolderSnapshots.h"
#include "rename/FileActions.h"
#include "rename/RenamePlan.h"

// The run's listings know the names of its folders without asking the disk
// again (on a network share every question costs a round trip); a move that
// meets a name taken since is refused by the disk all the same.
bool DiskFileActions::Exists(const std::string& path) const {
    return listings ? listings->Holds(path) : platform::NameTaken(path);
}

Failure DiskFileActions::Move(const std::string& from, const std::string& to) {
    errno = 0;
    if (!platform::MovePath(from, to)) return FailureOfErrno(errno != 0 ? errno : ENOENT, from);
    if (listings) listings->Moved(from, to);
    return Succeeded();
}

platform::SmallFile DiskFileActions::Read(const std::string& path) const {
    return platform::ReadSmallFile(path, MAX_REFERENCING_FILE);
}

Failure DiskFileActions::Write(const std::string& path, std::string_view text) {
    errno = 0;
    if (platform::ReplaceFileContent(path, text)) return Succeeded();
    const int error = errno != 0 ? errno : EIO;
    // The two files left alone on purpose say why in the user's terms, not
    // in the system's ("Too many links", "Operation not permitted").
    if (error == EMLINK) {
        return Failure{FailureKind::CannotWrite, path, "it has other names: hard links"};
    }
    if (error == EPERM) {
        return Failure{FailureKind::CannotWrite, path, "its owner could not be kept"};
    }
    Failure failure = FailureOfErrno(error, path);
    if (failure.kind != FailureKind::PermissionDenied && failure.kind != FailureKind::ReadOnly) {
        failure.kind = FailureKind::CannotWrite;
    }
    return failure;
}

void DiskFileActions::SetTimes(const std::string& path, std::int64_t secondsSinceEpoch) {
    // A file whose times cannot be set keeps its name and its old times.
    static_cast<void>(platform::SetFileTimes(path, secondsSinceEpoch));
}
