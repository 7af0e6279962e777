#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// What renaming one disc does to the disk: the moves of its files and the
// rewrites of the files that name them (its cue sheet, playlists beside it).
// A plan is made whole before anything is touched, so that it can be shown
// without doing it, written to the journal before the first move, carried out
// all or nothing for a cue sheet's set, and taken back later.

// Cue sheets and playlists are a few kilobytes; a larger file of that name
// is something else and is never read for a plan nor rewritten.
inline constexpr std::size_t MAX_REFERENCING_FILE = 1 << 20;

struct PlannedMove {
    std::string from;
    std::string to;
};

// How a file names other files: the FILE lines of a cue sheet, or the lines
// of a playlist (one file name per line).
enum class ReferenceKind { CueSheet, Playlist };

struct PlannedRewrite {
    ReferenceKind kind = ReferenceKind::CueSheet;
    std::string path;  // where the file stands once the moves are made
    // Names as the file writes them -> the names they become.
    std::map<std::string, std::string> renamed;
    // The names of `renamed` that a cue sheet writes without quotes. A new
    // name with a blank gets quotes; taking the rename back takes them away
    // again, so that the sheet is byte for byte as it was.
    std::set<std::string> bare;
};

struct RenamePlan {
    std::vector<PlannedMove> moves;
    std::vector<PlannedRewrite> rewrites;
    // The files of a cue sheet's set move together or not at all: a set whose
    // files no longer match its sheet loads in no emulator.
    bool allOrNothing = false;
    // Why nothing can be renamed (an empty or unusable name); empty otherwise.
    std::string failure;
};

enum class RewriteResult { Failed, Unchanged, Rewritten };

// Renames the references of a file as planned, or with `reverse` back again,
// keeping every other byte; a file that names none of them is left alone
// (Unchanged). Failed when the file could not be read or written.
RewriteResult ApplyRewrite(const PlannedRewrite& rewrite, bool reverse);

// What ApplyRewrite would do, reading the file from `readPath` (where it
// stands while the moves before the rewrite are not made), writing nothing.
RewriteResult PreviewRewrite(const PlannedRewrite& rewrite, bool reverse,
                             const std::string& readPath);

// Keeps of each rewrite only the references to files that `moved` renamed: a
// file that kept its name keeps its references too.
void KeepReferencesToMoves(std::vector<PlannedRewrite>& rewrites,
                           const std::vector<PlannedMove>& moved);

// The lines of a playlist's text that name one of `renamedFiles` (old file
// name -> new file name; a line matches ignoring ASCII case, as playlists
// from Windows are written), each mapped to the file's new name.
std::map<std::string, std::string> PlaylistReferences(
    std::string_view text, const std::map<std::string, std::string>& renamedFiles);
