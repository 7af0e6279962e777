#pragma once

#include <string>
#include <vector>

#include "platform/FileSearch.h"

// A file rewritten whole goes through a temporary file beside it,
// "<file>.orvane-tmp-<pid>-<n>", which then takes the file's place. A run
// killed in between leaves that temporary behind, and the next run would take
// it for a file of the disc ("Game.cue.orvane-tmp-4711-0" belongs to Game).
// Such leftovers are removed when a run lists a folder. Only names with this
// program's own marker are touched: "notes.txt.tmp4711-0" is the user's.
namespace platform {

// Removes the temporaries of `folder` whose process no longer exists and that
// are regular files of this user, and returns the listing without them.
std::vector<FoundEntry> RemoveStrayTemporaries(const std::string& folder,
                                               std::vector<FoundEntry> listing);

// The listing without the temporaries RemoveStrayTemporaries would remove,
// which stay on the disk: a run that only shows what it would do sees the
// folder as the real run will.
std::vector<FoundEntry> WithoutStrayTemporaries(const std::string& folder,
                                                std::vector<FoundEntry> listing);

}  // namespace platform
