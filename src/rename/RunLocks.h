#pragma once

#include <memory>
#include <string>

#include "core/Failure.h"
#include "platform/FileLock.h"

// The locks a run holds from its start to its end: the folder of its journal
// (the start-up directory) and the folder it works on. A second run on either
// refuses to start and touches nothing: its start-up recovery would take
// back a disc the first run is still renaming. Where a file system cannot
// lock a folder (network shares), the journal file itself is locked instead;
// a scan folder there is not locked.
class RunLocks {
public:
    // `journal`: the journal's path; `folder`: the scan folder, or empty.
    RunLocks(const std::string& journal, const std::string& folder);

    // Another run holds one of them.
    bool Busy() const { return busy; }
    // AnotherRun, naming what is held.
    const Failure& Why() const { return why; }
    // The journal's lock, which moves with it when the journal is rewritten;
    // null when the folder's lock covers it.
    platform::FileLock* JournalFileLock() { return journalFile.get(); }

private:
    std::unique_ptr<platform::FileLock> journalFolder;
    std::unique_ptr<platform::FileLock> journalFile;
    std::unique_ptr<platform::FileLock> folder;
    bool busy = false;
    Failure why;
};
