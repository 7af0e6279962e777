#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/Failure.h"
#include "platform/TextEdits.h"

// What renaming a disc (or a folder, or taking either back) does to the
// disk, step by step: the moves of its files, then the rewrites of the files
// that name them (its cue sheet, playlists). A plan is made whole before
// anything is touched, so that it can be shown without doing it, written to
// the journal before the first step, carried out all or nothing, and taken
// back later byte for byte.

// Cue sheets and playlists are a few kilobytes; a larger file of that name
// is something else and is never read for a plan nor rewritten.
inline constexpr std::size_t MAX_REFERENCING_FILE = 1 << 20;

struct PlannedMove {
    std::string from;
    std::string to;

    PlannedMove Reversed() const { return {to, from}; }
};

// How a file names other files: the FILE lines of a cue sheet, or the lines
// of a playlist (one file name per line).
enum class ReferenceKind { CueSheet, Playlist };

struct PlannedRewrite {
    ReferenceKind kind = ReferenceKind::CueSheet;
    std::string path;  // where the file stands once the moves before it are made
    platform::TextVersion before;
    platform::TextVersion after;
    std::vector<platform::TextEdit> edits;  // made on the text `before` stands for

    // The rewrite that gives the file back as it was.
    PlannedRewrite Reversed() const;
};

// Journals written before rewrites were kept as edits name their changes by
// the names a sheet or playlist writes. Such a rewrite gives each name as
// written (in `renamed`) its new name; a cue sheet's name in `bare` loses
// the quotes a rename gave it. Read only, from old journals.
struct NamedRewrite {
    ReferenceKind kind = ReferenceKind::CueSheet;
    std::string path;
    std::map<std::string, std::string> renamed;
    std::set<std::string> bare;
    bool reverse = false;  // gives the names back instead
};

struct RenamePlan {
    std::vector<PlannedMove> moves;
    std::vector<PlannedRewrite> rewrites;
    std::vector<NamedRewrite> namedRewrites;  // from old journals only
    // A rename moves the files, then rewrites the sheets where they stand
    // renamed; taking it back gives the sheets back first, then the files.
    bool rewritesFirst = false;
    // Why nothing can be renamed; no failure otherwise.
    Failure failure;

    // True when carrying the plan out would change nothing on the disk.
    bool ChangesNothing() const;
    // The plan that takes this one back: the rewrites given back, then the
    // files moved back, last first.
    RenamePlan Reversed() const;
};
