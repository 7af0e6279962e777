#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What became of each disc of a run, and the run's counts, for a front end
// that tells them one by one (orvane-cli --json). The window shows the
// summary message alone.

// A file of a disc: where it was and where it is (the same path when it kept
// its name), and why it kept it when it was to move.
struct ReportedFile {
    std::string old;
    std::string now;
    std::string why;
};

struct DiscReport {
    enum class Result {
        Renamed,        // in a dry run: would be renamed
        AlreadyNamed,   // every file has the name the formula gives
        NotRenamed,     // found in the database; `reason` says why it kept its names
        NoIdentifier,   // no identifier could be read
        NotInDatabase,  // none of its identifiers is in the database
        Listed,         // list run: its database line was added
        NotListed,      // list run: no identifier, or a path no line can hold
        TakenBack,      // undo: back under its old names (in a dry run: would be)
        NotTakenBack,   // undo: it stays as it is; `reason` says why
    };
    bool folder = false;  // a folder of the run, not a disc
    // The disc's path without extension (the candidate, or the journal's
    // subject); for a folder, its path before.
    std::string path;
    std::string identifier;  // the one found in the database, else the last one tried
    Result result = Result::NotRenamed;
    std::string reason;
    std::vector<ReportedFile> files;
    // The cue sheets and playlists rewritten, where they stand afterwards.
    std::vector<std::string> rewrites;
};

// A run's counts and what it wrote.
struct RunSummary {
    std::int64_t discs = 0;         // candidates counted (those reached, when stopped)
    std::int64_t done = 0;          // renamed, or listed
    std::int64_t alreadyNamed = 0;  // rename run
    bool stopped = false;
    // The discs found in the database (renamed, already named or not
    // renamable): none, with discs there, is a run that matched nothing.
    std::int64_t found = 0;
    std::int64_t errorLines = 0;            // lines this run added to the error log
    std::string errorLog;                   // its full path, when lines were added
    std::vector<std::string> listsUpdated;  // inventory files that now hold new discs
    std::vector<std::string> notWritten;    // files that could not be written
    std::string message;                    // the summary as the window shows it
};

class ReportSink {
public:
    virtual ~ReportSink() = default;
    virtual void Disc(const DiscReport& disc) = 0;
    virtual void Summary(const RunSummary& summary) = 0;
};
