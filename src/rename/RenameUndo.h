#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "core/Failure.h"
#include "core/RunReport.h"
#include "rename/PlanSink.h"

// Taking back a rename run from the journal the rename runs keep: the folders
// it renamed back, then each disc (newest first) with its cue sheet and
// playlist lines back as they were, byte for byte, and its files back under
// their old names. Nothing is ever replaced. A disc is the unit: when one of
// its files cannot go back (its old name is taken, it is gone, a later run
// renamed it again), the whole disc stays as it is and the rest goes on.
// Taking a disc back is journalled like a rename, so that a kill in the
// middle leaves an entry the next run or undo finishes; when nothing of the
// run is left, the run is marked taken back. Runs count only when they
// changed something. The inventory files are not rewound: the next rename
// run rebuilds them.

struct UndoRequest {
    std::string journal;         // the journal file
    std::int64_t countBack = 1;  // the run to take back: 1 the last one, 2 the one before
    bool dryRun = false;         // change nothing, only tell the plan
    // Stop, read between discs: no disc is left half taken back. May be null.
    const std::atomic<bool>* stopRequested = nullptr;
    // Told what became of each disc and folder, after its steps; may be null.
    ReportSink* reports = nullptr;
};

struct UndoReport {
    enum class Result {
        TakenBack,         // everything of the run is back (or, in a dry run, would be)
        PartlyTakenBack,   // some discs or folders stay as they are; the plan has their skips
        NoJournal,         // no journal, or one without runs
        NoSuchRun,         // the journal keeps fewer runs than countBack
        AlreadyTakenBack,  // the run was taken back before
        AnotherRun,        // another run or undo holds the journal or the run's folder
    };
    Result result = Result::NoJournal;
    bool journalFound = false;
    std::int64_t runsKept = 0;
    // The run taken back.
    std::int64_t run = 0;
    std::string started;
    std::string folder;
    // What was (or would be) taken back, and what stays.
    std::int64_t files = 0;
    std::int64_t rewrites = 0;
    std::int64_t folders = 0;
    std::int64_t skipped = 0;
    // Discs whose taking back failed half way: their entries stay open in
    // the journal, for the next run or undo to finish.
    std::int64_t leftOpen = 0;
    // Why the journal could not be told what was taken back; none when it was.
    Failure journalFailure;
    // Stop ended the undo before its last disc (the result is then PartlyTakenBack).
    bool stopped = false;
};

// Takes back the run, each step told to `plan` as it is made (or, in a dry
// run, as it would be made): "rename" from the new name to the old one,
// "rewrite" for a sheet or playlist given its old lines, "folder" back,
// "skip" for what stays and why.
UndoReport UndoRenameRun(const UndoRequest& request, PlanSink& plan);
