#pragma once

// The rename layer: what renaming an identified disc does to its files, the
// journal that makes it safe against kills, and taking a rename back.

#include <cstdint>
#include <string>
#include <vector>

#include "rename/RenamePlan.h"

class KelFileBase;
class RenameJournal;
namespace platform {
class FolderSnapshots;
}

struct RenameRequest {
    std::string newName;  // file name without extension
    bool setFileTime = false;
    std::int64_t fileTime = 0;  // seconds since 1970-01-01 00:00 UTC
    // Where the renames are written down before they are made; may be null.
    RenameJournal* journal = nullptr;
    // Decide every move on the run's listings as if the moves before it were
    // made, and change nothing: no move, rewrite, time or journal entry. The
    // listings are changed as the moves would change them, so that the discs
    // after this one meet the names it would take.
    bool dryRun = false;
};

// A file of a renamed disc that kept its name, and why.
struct UnmovedFile {
    PlannedMove move;
    std::string reason;
};

// The text of a rename failure when the new name is taken.
inline constexpr const char* NAME_EXISTS = "name exists";

// Why a move failed (an errno value), in the words of the error log.
std::string MoveFailureText(int error);

// What renaming a disc would do with a new name, without doing it: every
// file of the candidate gets the new name, keeping its extension (and a
// .partN volume suffix); the data files a cue sheet names move with it
// ("<name> (Track N).bin" when the sheet names several), its FILE lines and
// the playlists beside it that name a renamed file are rewritten.
RenamePlan PlanDiscRename(const KelFileBase& disc, const std::string& newName);

// The rename of one identified disc: the constructor carries the plan out
// and sets the files' times when asked. Never replaces an existing file. The
// files of a cue sheet's set move all or not at all; other files that cannot
// be moved are skipped (UnmovedFiles).
class DiscRename {
public:
    DiscRename(const KelFileBase& disc, const RenameRequest& request);

    // True when at least one file was moved; otherwise Failure says why.
    bool Renamed() const { return renamed; }
    // Why nothing was moved ("name exists", "name too long", "empty name",
    // "permission denied", "read-only folder", ...).
    const std::string& Failure() const { return renameFailure; }
    // The plan as carried out (or, in a dry run, as it would be): the moves
    // made and the files whose text changed; empty after a failure.
    const RenamePlan& Plan() const { return lastPlan; }
    // The files that kept their names.
    const std::vector<UnmovedFile>& UnmovedFiles() const { return unmovedFiles; }
    // The disc's path without extension after the rename.
    const std::string& BasePath() const { return basePath; }

private:
    bool Rename(const KelFileBase& disc, const RenameRequest& request);
    // Makes one move of a rename (or, in a dry run, decides it) and keeps the
    // listings current; 0 or the errno the move met.
    int MoveFile(const PlannedMove& move, bool dryRun);

    std::string basePath;
    platform::FolderSnapshots* snapshots;
    bool renamed = false;
    std::string renameFailure;
    RenamePlan lastPlan;
    std::vector<UnmovedFile> unmovedFiles;
};
