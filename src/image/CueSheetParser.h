#pragma once

#include <string>
#include <string_view>

#include "image/TrackTable.h"

// Cue sheets (.cue): FILE, TRACK and INDEX commands that place tracks in BINARY
// data files.

// Fills `table` from the text of the sheet at `sheetPath`; data file names are
// looked for as written and then beside the sheet. False when the sheet uses
// something this reader does not understand, numbers its tracks out of order,
// or names a data file that cannot be found.
bool ParseCueSheet(std::string_view text, const std::string& sheetPath, TrackTable& table);

// Reads the sheet (a file too large to be a cue sheet is refused) and parses it.
bool ReadCueSheet(const std::string& sheetPath, TrackTable& table);
