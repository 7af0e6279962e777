#pragma once

#include <string>
#include <vector>

#include "platform/FileSearch.h"

// A file rewritten whole goes through a temporary file beside it,
// "<file>.tmp<pid>-<n>", which then takes the file's place. A run killed in
// between leaves that temporary behind, and the next run would take it for a
// file of the disc ("Game.cue.tmp4711-0" belongs to Game). Such leftovers are
// removed when a run lists a folder.
namespace platform {

// Removes the temporaries of `folder` whose process no longer exists, that
// belong to this user and whose own file still stands beside them, and
// returns the listing without them.
std::vector<FoundEntry> RemoveStrayTemporaries(const std::string& folder,
                                               std::vector<FoundEntry> listing);

// The listing without the temporaries RemoveStrayTemporaries would remove,
// which stay on the disk: a run that only shows what it would do sees the
// folder as the real run will.
std::vector<FoundEntry> WithoutStrayTemporaries(const std::string& folder,
                                                std::vector<FoundEntry> listing);

}  // namespace platform
