#pragma once

// The rename layer: what renaming an identified disc does to its files, the
// journal that makes it safe against kills, and taking renames back. Every
// change to a user's files is a plan carried out by one transaction.

#include <cstdint>
#include <string>
#include <vector>

#include "core/Failure.h"
#include "rename/RenamePlan.h"

class FileActions;
class KelFileBase;
class RenameJournal;

struct RenameRequest {
    std::string newName;  // file name without extension
    bool setFileTime = false;
    std::int64_t fileTime = 0;  // seconds since 1970-01-01 00:00 UTC
    // The folder the user gave: a sheet or playlist that is a link leading
    // out of it is not rewritten ("" checks nothing).
    std::string scanFolder;
};

// A file of a renamed disc that keeps its name, and why.
struct UnmovedFile {
    PlannedMove move;
    Failure why;
};

// The folders whose playlists may name the files of a disc in `folder`: its
// own, and the one above it (a playlist beside the folders of a game's discs).
std::vector<std::string> PlaylistFolders(const std::string& folder);

// What renaming a disc does with a new name, decided on `files` without
// changing anything: every file of the candidate gets the new name, keeping
// its extension (and a .partN volume suffix); the data files its cue sheet
// names (beside it or in a folder the sheet names) move with it ("<name>
// (Track N).bin" when the sheet names several), and its FILE lines and the
// playlists that name a renamed file are rewritten. The files of a cue
// sheet's set move together or not at all: a set whose files no longer match
// its sheet loads in no emulator. Another file whose new name is taken keeps
// its name (`unmoved`). A sheet or playlist to rewrite that is a link
// leading out of `scanFolder` keeps the disc as it is: the rewrite would
// change a file the user did not point the run at, and without it the set
// would name files that are gone.
struct DiscPlan {
    RenamePlan plan;
    std::vector<UnmovedFile> unmoved;
    bool sheetSet = false;  // the files of a cue sheet's set, moved as one
};
DiscPlan PlanDiscRename(const KelFileBase& disc, const std::string& newName,
                        const FileActions& files, const std::string& scanFolder = {});

// The rename of one identified disc: the constructor plans it, writes the
// plan to the journal (when given), carries it out on `files` and dates the
// files when asked. Nothing is ever replaced; the disc ends renamed whole or
// as it was, unless taking a failed step back failed too.
class DiscRename {
public:
    enum class Result {
        Renamed,
        AlreadyNamed,   // every file has its new name already; nothing journalled
        NotRenamed,     // nothing changed; Failure says why
        JournalFailed,  // the journal could not be written: nothing was moved
        HalfRenamed,    // a step and taking it back failed: the journal entry stays open
    };

    DiscRename(const KelFileBase& disc, const RenameRequest& request, FileActions& files,
               RenameJournal* journal);

    Result Outcome() const { return result; }
    bool Renamed() const { return result == Result::Renamed || result == Result::AlreadyNamed; }
    // Why the disc was not renamed (NotRenamed, JournalFailed, HalfRenamed).
    const Failure& Why() const { return failure; }
    // HalfRenamed: the steps that could not be taken back.
    const std::vector<Failure>& RevertFailures() const { return revertFailures; }
    // The plan carried out; empty unless renamed.
    const RenamePlan& Plan() const { return discPlan.plan; }
    // The disc is a cue sheet's set.
    bool SheetSet() const { return discPlan.sheetSet; }
    // The files that kept their names.
    const std::vector<UnmovedFile>& UnmovedFiles() const { return discPlan.unmoved; }
    // The disc's path without extension after the rename.
    const std::string& BasePath() const { return basePath; }

private:
    DiscPlan discPlan;
    Result result = Result::NotRenamed;
    Failure failure;
    std::vector<Failure> revertFailures;
    std::string basePath;
};
