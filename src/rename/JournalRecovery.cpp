#include "rename/JournalRecovery.h"

#include "rename/FileActions.h"

JournalRecovery FinishOpenEntries(const std::string& path, FileActions& files,
                                  platform::FileLock* lock) {
    JournalRecovery recovery;
    const JournalContents contents = ReadJournal(path);
    recovery.tornTail = contents.tornTail;
    for (const JournalRun& run : contents.runs) {
        RenameJournal journal(path, lock);
        journal.ContinueRun(run);
        for (const JournalEntry& entry : run.entries) {
            if (entry.state != JournalEntry::State::Open) continue;
            RenameTransaction transaction(files, entry.plan);
            const RenameTransaction::Finished finished = transaction.Finish();
            recovery.entries.push_back(
                {entry.kind, entry.subject, finished, transaction.RevertFailures()});
            if (finished == RenameTransaction::Finished::LeftOpen) continue;
            Failure marked = journal.Mark(entry, finished == RenameTransaction::Finished::Completed
                                                     ? JournalEntry::State::Done
                                                     : JournalEntry::State::Undone);
            if (marked && !recovery.journalFailure) recovery.journalFailure = std::move(marked);
        }
    }
    return recovery;
}

std::vector<JournalEntry> OpenEntries(const JournalContents& journal) {
    std::vector<JournalEntry> open;
    for (const JournalRun& run : journal.runs) {
        for (const JournalEntry& entry : run.entries) {
            if (entry.state == JournalEntry::State::Open) open.push_back(entry);
        }
    }
    return open;
}
