#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Failure.h"
#include "platform/TextEdits.h"
#include "rename/RenamePlan.h"

class FileActions;

// Making a planned rewrite of a sheet or playlist, and telling whether it is
// made. A file is rewritten only from the very text the plan was made on,
// and must come out as the very text the plan gives; a file that holds
// anything else was changed by someone since and is left alone.

enum class RewriteState { Before, After, Other, Unreadable };

RewriteState StateOfRewrite(FileActions& files, const PlannedRewrite& rewrite);

// Rewrites the file from `before` to `after`; nothing to do when it holds
// `after` already.
[[nodiscard]] Failure MakeRewrite(FileActions& files, const PlannedRewrite& rewrite);

// The rewrite of an old journal's named rewrite, on the text the file holds
// now; `reverse` takes the names back. No edit when the file names none of
// them any more.
PlannedRewrite RewriteOfNames(const NamedRewrite& named, bool reverse, std::string_view text);

// A name as a sheet or playlist writes it ('/' or '\' between folders) with
// its last component replaced, its folder part as written.
std::string NameWithLeaf(const std::string& written, const std::string& leaf);

// The rewrite of a playlist whose lines name some of `moves` (by a path
// relative to the playlist's folder, '\' or '/' between folders, ignoring
// ASCII case as playlists from Windows are written): each such line gets the
// new name, keeping its folder part. Nothing when it names none of them.
std::optional<PlannedRewrite> PlaylistRewrite(const std::string& playlistPath,
                                              const std::string& text,
                                              const std::vector<PlannedMove>& moves);

// The lines of a playlist: each names one file, by a path relative to the
// playlist's folder ('/' or '\' between folders).
struct PlaylistLine {
    std::size_t begin = 0;  // the line's text in the playlist, without its line end
    std::size_t end = 0;
    std::string_view text;
};
std::vector<PlaylistLine> PlaylistLines(std::string_view text);
