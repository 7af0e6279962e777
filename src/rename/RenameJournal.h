#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "rename/RenamePlan.h"

namespace platform {
class AppendFile;
}

// The journal of the rename runs, "RenameJournal.txt" in the start-up
// directory. Before a disc's first move the run writes down everything that
// renaming it will do, and marks the disc done (or undone) when it is over: a
// run killed in between leaves an open entry, which the next run completes
// or takes back before it looks at anything else. The journal also keeps the
// last few runs whole, so that a run can be taken back later.
//
// A text file of lines ending in CR LF, fields separated by TAB, each field
// with '%', TAB, CR and LF written as %25, %09, %0D and %0A:
//
//   run     <run>  <start time, UTC>  <folder scanned>
//   disc    <run>  <disc>  <the disc's path without extension>
//   move    <from>  <to>
//   rewrite cue|playlist  <file, after the moves>  <name as written>  <new name>  [bare]
//   unmoved <from>  <to>        (a planned move that was not made)
//   done    <run>  <disc>       (or: undone, when its renames were taken back)
//   folder  <run>  <from>  <to>
//   undo    <run>               (the run was taken back whole)
//
// The move, rewrite and unmoved lines after a disc line belong to it. "bare"
// marks a cue sheet's name written without quotes.

inline constexpr const char* RENAME_JOURNAL_FILE = "RenameJournal.txt";

// Runs kept in the journal; older ones are dropped when a run begins.
inline constexpr std::size_t JOURNAL_RUNS_KEPT = 10;

struct JournalDisc {
    std::int64_t number = 0;
    std::string disc;
    RenamePlan plan;
    enum class State { Open, Done, Undone } state = State::Open;
};

struct JournalRun {
    std::int64_t number = 0;
    std::string started;
    std::string folder;
    std::vector<JournalDisc> discs;
    std::vector<PlannedMove> folders;
    bool undone = false;
};

// The runs a journal file holds, oldest first; none for a missing file.
std::vector<JournalRun> ReadJournal(const std::string& path);

// What the next run found left open by an interrupted one.
struct InterruptedDisc {
    std::string disc;
    bool completed = false;  // false: taken back
};

// Completes every open disc of the journal whose moves can still all be made,
// and takes back the others, marking each; returns what it did.
std::vector<InterruptedDisc> FinishInterruptedDiscs(const std::string& path);

// The writer of one run's entries.
class RenameJournal {
public:
    explicit RenameJournal(std::string path);
    ~RenameJournal();
    RenameJournal(const RenameJournal&) = delete;
    RenameJournal& operator=(const RenameJournal&) = delete;

    // The folder the run scans. The run's entry is written with its first
    // rename, after the runs kept (older ones are dropped then); when the
    // journal cannot be written, Written() tells.
    void BeginRun(const std::string& scanFolder);

    // Writes a disc's plan before its first move. A plan that moves several
    // files or rewrites one is forced to the disk before the moves start.
    void BeginDisc(const std::string& disc, const RenamePlan& plan);
    // `unmoved`: the moves of a done disc that were not made (their files
    // kept their names), so that taking the run back leaves them alone.
    void EndDisc(bool done, const std::vector<PlannedMove>& unmoved = {});
    void AddFolder(const PlannedMove& move);

    // False once a write has failed.
    bool Written() const { return !failed; }

private:
    // Drops the runs beyond those kept and opens the journal for appending.
    bool StartEntry();
    // The run's entry starts with its first rename, so a run that renames
    // nothing leaves the journal as it was; false once writing failed.
    bool Ready();
    void Write(const std::vector<std::vector<std::string>>& lines, bool sync);

    std::string path;
    std::string folder;
    std::unique_ptr<platform::AppendFile> file;
    std::int64_t run = 0;
    std::int64_t disc = 0;
    bool failed = false;
};

// Appends a line to a journal saying that run `run` was taken back whole.
bool MarkRunUndone(const std::string& path, std::int64_t run);

// Appends a line saying that the renames of one disc of a run were taken back.
bool MarkDiscUndone(const std::string& path, std::int64_t run, std::int64_t disc);
