#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Failure.h"
#include "rename/RenamePlan.h"

namespace platform {
class AppendFile;
class FileLock;
}  // namespace platform

// The journal of the rename runs, "RenameJournal.txt" in the start-up
// directory. Before the first step of a disc's rename the run writes down
// every step it will make, and marks the entry done (or undone) when it is
// over: a run killed in between leaves an open entry, which the next run (or
// undo) completes or takes back before it does anything else. The journal
// also keeps the last few runs whole, so that a run can be taken back later;
// taking one back is journalled the same way.
//
// A text file of lines ending in CR LF, fields separated by TAB, each field
// with '%', TAB, CR and LF written as %25, %09, %0D and %0A:
//
//   run      <run>  <start time, UTC>  <folder scanned>  2
//   disc     <run>  <entry>  <the disc's path without extension>
//   folder   <run>  <entry>  <the folder's path>
//   takeback <run>  <entry>  <the entry of the run it takes back>
//   move     <from>  <to>
//   rewrite  cue|playlist  <file>  <size before>  <crc before>  <size after>  <crc after>
//   edit     <offset>  <bytes before>  <bytes after>
//   ready    <run>  <entry>  <number of steps>
//   done     <run>  <entry>      (or: undone, when its steps were taken back)
//   undo     <run>               (the run was taken back whole)
//
// The step lines (move, rewrite and its edit lines) after an entry line
// belong to it, in the order they are made. An entry counts only once its
// ready line follows its steps: no step is made before that line is written,
// so an entry cut short by a full disk or a kill was never begun. A last line
// without its line end was cut short and is ignored.
//
// Journals of earlier versions (run lines of four fields) are read too: their
// disc entries have no ready line, their rewrite lines name the names a file
// writes ("rewrite cue|playlist <file> <name as written> <new name> [bare]"),
// "unmoved <from> <to>" takes a move out of a disc's plan, and
// "folder <run> <from> <to>" records a folder renamed.

inline constexpr const char* RENAME_JOURNAL_FILE = "RenameJournal.txt";

// Runs kept in the journal (counting only runs that changed something); older
// ones are dropped when a run begins.
inline constexpr std::size_t JOURNAL_RUNS_KEPT = 10;

struct JournalEntry {
    enum class Kind { Disc, Folder, TakeBack };
    enum class State { Open, Done, Undone };
    Kind kind = Kind::Disc;
    std::int64_t run = 0;
    std::int64_t number = 0;
    std::string subject;         // the disc (path without extension) or the folder
    std::int64_t takesBack = 0;  // TakeBack: the entry of the run it takes back
    RenamePlan plan;
    State state = State::Open;
    // It was done once (and may have been taken back since).
    bool carriedOut = false;
};

struct JournalRun {
    std::int64_t number = 0;
    std::string started;
    std::string folder;
    std::vector<JournalEntry> entries;
    bool undone = false;

    // Whether one of its disc or folder entries was carried out and changed
    // something: runs that only looked are no runs to undo.
    bool ChangedSomething() const;
    JournalEntry* Find(std::int64_t entry);
    const JournalEntry* Find(std::int64_t entry) const;
    std::int64_t LastEntry() const;
};

struct JournalContents {
    std::vector<JournalRun> runs;  // oldest first
    // The last line had no line end: a write was cut short, and it was ignored.
    bool tornTail = false;
    // Entries whose ready line is missing: never begun, so nothing to finish.
    std::int64_t unfinishedEntries = 0;

    // The runs that changed something, oldest first.
    std::vector<const JournalRun*> RealRuns() const;
};

// What a journal's text holds.
JournalContents ParseJournal(std::string_view text);
// What the journal file holds; nothing for a missing file.
JournalContents ReadJournal(const std::string& path);

// The writer of a run's entries. Every write goes out in one piece; a plan
// of more than one step is forced to the disk before its first step is made.
class RenameJournal {
public:
    // `lock`: the run's lock of the journal, which moves to the new file
    // when dropping old runs rewrites it; may be null.
    explicit RenameJournal(std::string path, platform::FileLock* lock = nullptr);
    ~RenameJournal();
    RenameJournal(const RenameJournal&) = delete;
    RenameJournal& operator=(const RenameJournal&) = delete;

    // A new run over `scanFolder`. Its run line is written with its first
    // entry, after dropping the runs beyond those kept, so a run that changes
    // nothing leaves the journal as it was.
    void BeginRun(const std::string& scanFolder);
    // Entries added to a run already in the journal (taking it back).
    void ContinueRun(const JournalRun& run);

    // Writes the entry (giving it its run and number). Nothing may be moved
    // when this fails. The plan holds no named rewrites: those are read from
    // old journals only.
    [[nodiscard]] Failure Write(JournalEntry& entry);
    [[nodiscard]] Failure Mark(const JournalEntry& entry, JournalEntry::State state);
    [[nodiscard]] Failure MarkRunUndone(std::int64_t run);

    const std::string& Path() const { return path; }

private:
    // Opens the journal for appending, dropping old runs first for a new run.
    Failure Open();
    Failure Append(const std::string& text, bool sync);

    std::string path;
    platform::FileLock* lock;
    std::string folder;
    std::unique_ptr<platform::AppendFile> file;
    bool newRun = false;
    std::int64_t run = 0;
    std::int64_t lastEntry = 0;
};
