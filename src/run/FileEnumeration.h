#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {
class FolderSnapshots;
}

// From the folder to scan to the list of candidates: one entry per disc
// image, the path its files share without their extensions (Game for
// Game.bin and Game.cue).

// Appends the path of every file below `folder` (the folder text as typed,
// '/', the entry name), in name order, each sub-folder's files at the place
// where the sub-folder was listed. Links to folders are not followed.
// With `snapshots`, the listings read are kept for the searches of the run.
// Stray temporaries of killed runs are removed, or with `leaveStrays` only
// left out.
void EnumerateFiles(const std::string& folder, bool scanSubfolders,
                    std::vector<std::string>& candidates,
                    platform::FolderSnapshots* snapshots = nullptr, bool leaveStrays = false);

// The path without the extension of its file name: from the name's last '.'
// (not its first character: .iso is a name), folders untouched.
std::string WithoutExtension(std::string path);

// Cuts the extension off every entry's file name (at the name's last '.', not
// at its first character: a hidden file such as .iso has none), then (when
// asked) a volume suffix such as .part1, and removes repeats that stand next
// to each other. A candidate never names anything outside the entry's folder.
// The list is not sorted: the files of one image are next to each other in a
// listing.
void ReduceToBaseNames(std::vector<std::string>& candidates, bool stripPartSuffixes);

// A cue sheet is the unit of a disc: the candidates of the data files a sheet
// names in its folder (Game (Track 1).bin, GAMMA.BIN beside gamma_disc.cue)
// become the candidate of the sheet, taken once, where its first file stood.
void GroupCueSets(std::vector<std::string>& candidates, const platform::FolderSnapshots& snapshots);
