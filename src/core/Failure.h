#pragma once

#include <string>

// Why something the program tried did not happen: a kind the code decides
// on, the file or folder it is about, and a detail for the user. Every layer
// reports its failures as such values; the front ends show them. A failure is
// never dropped on the floor: functions that return one are [[nodiscard]].
enum class FailureKind {
    None,
    NameTaken,         // the new name is another file's (never replaced)
    NameTooLong,       // longer than the file system takes
    NotAName,          // empty, ".", "..", or holding '/'
    PermissionDenied,  // the folder or file may not be changed by this user
    ReadOnly,          // a read-only file system
    Missing,           // the file is not (or no longer) there
    ChangedSince,      // a file no longer holds what the journal says it held
    CannotRead,
    CannotWrite,  // including a full disk
    AnotherRun,   // another run holds the lock of the folder or journal
    Unsupported,  // the file system lacks what the move needs
    Other,        // an error the system reports in its own words
};

struct [[nodiscard]] Failure {
    FailureKind kind = FailureKind::None;
    std::string subject;  // the path it is about; may be empty
    std::string detail;   // the system's words, when they say more than the kind

    bool Failed() const { return kind != FailureKind::None; }
    explicit operator bool() const { return Failed(); }

    // The reason in the words of the error log and the plan: "name exists",
    // "name too long", "permission denied", "read-only folder", "cannot
    // write x.cue (No space left on device)", ...
    std::string Reason() const;
};

// Nothing failed.
inline Failure Succeeded() {
    return {};
}

// The failure an errno value stands for, about `subject`.
Failure FailureOfErrno(int error, std::string subject = {});
