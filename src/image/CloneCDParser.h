#pragma once

#include <string>
#include <string_view>

#include "image/TrackTable.h"

// CloneCD control files (.ccd): a table of contents in sectioned key text,
// describing the raw 2352-byte sectors of the .img file beside it.

// The data file of a control file: its path with the extension replaced by
// ".img".
std::string CloneCDDataFile(const std::string& controlPath);

// Fills `table` from the text of the control file at `controlPath`. False when
// the .img file is missing or empty, or the text is not a version 2 control
// file of an unscrambled disc.
bool ParseCloneCD(std::string_view text, const std::string& controlPath, TrackTable& table);

// Reads the control file (a file too large to be one is refused) and parses it.
bool ReadCloneCD(const std::string& controlPath, TrackTable& table);
