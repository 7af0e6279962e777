#pragma once

#include <string>
#include <vector>

#include "core/Failure.h"
#include "rename/RenameJournal.h"
#include "rename/RenameTransaction.h"

class FileActions;
namespace platform {
class FileLock;
}

// What a run finds left open in the journal by one that was killed (or that
// could not take a failed rename back), and finishes before it looks at
// anything else: each entry completed when all its steps can still be made,
// else taken back, and marked. An entry that can be neither stays open and
// is told, so that the user can clear its way.
struct FinishedEntry {
    JournalEntry::Kind kind = JournalEntry::Kind::Disc;
    std::string subject;
    RenameTransaction::Finished finished = RenameTransaction::Finished::Completed;
    std::vector<Failure> failures;  // LeftOpen: the steps that could not be made
};

struct JournalRecovery {
    std::vector<FinishedEntry> entries;
    // The journal's last line had been cut short (a full disk, a kill) and
    // was ignored.
    bool tornTail = false;
    // The marks of the entries finished could not be written.
    Failure journalFailure;
};

// Finishes the open entries of the journal at `path` on `files`.
JournalRecovery FinishOpenEntries(const std::string& path, FileActions& files,
                                  platform::FileLock* lock);

// The entries a dry run would find open, left as they are.
std::vector<JournalEntry> OpenEntries(const JournalContents& journal);
