#include "core/Failure.h"

#include <cerrno>
#include <cstring>

std::string Failure::Reason() const {
    switch (kind) {
        case FailureKind::None:
            return {};
        case FailureKind::NameTaken:
            return "name exists";
        case FailureKind::NameTooLong:
            return "name too long";
        case FailureKind::NotAName:
            return detail.empty() ? "not a file name" : detail;
        case FailureKind::PermissionDenied:
            return "permission denied";
        case FailureKind::ReadOnly:
            return "read-only folder";
        case FailureKind::Missing:
            return "gone";
        case FailureKind::ChangedSince:
            return "changed since";
        case FailureKind::CannotRead:
            return "cannot read";
        case FailureKind::CannotWrite: {
            // The file by its name: the disc's folder is on the line already.
            const std::string name = subject.substr(subject.rfind('/') + 1);
            std::string reason = name.empty() ? "cannot write" : "cannot write " + name;
            return detail.empty() ? reason : reason + " (" + detail + ")";
        }
        case FailureKind::AnotherRun:
            return "another run is active";
        case FailureKind::Unsupported:
            return detail.empty() ? "not supported by the file system" : detail;
        case FailureKind::Other:
            return detail;
    }
    return detail;
}

Failure FailureOfErrno(int error, std::string subject) {
    Failure failure{FailureKind::Other, std::move(subject), std::strerror(error)};
    switch (error) {
        case EEXIST:
        case ENOTEMPTY:
            failure.kind = FailureKind::NameTaken;
            break;
        case ENAMETOOLONG:
            failure.kind = FailureKind::NameTooLong;
            break;
        case EACCES:
        case EPERM:
            failure.kind = FailureKind::PermissionDenied;
            break;
        case EROFS:
            failure.kind = FailureKind::ReadOnly;
            break;
        case ENOENT:
            failure.kind = FailureKind::Missing;
            break;
        case ENOSPC:
        case EDQUOT:
        case EIO:
            failure.kind = FailureKind::CannotWrite;
            break;
        case EWOULDBLOCK:
            failure.kind = FailureKind::AnotherRun;
            break;
        case EXDEV:
        case ENOTSUP:
        case ENOSYS:
            failure.kind = FailureKind::Unsupported;
            break;
        default:
            break;
    }
    return failure;
}
