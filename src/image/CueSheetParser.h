#pragma once

#include <string_view>

#include "image/DescriptorParse.h"

// Cue sheets (.cue): FILE, TRACK and INDEX commands that place tracks in BINARY
// data files, and PREGAP and POSTGAP silence the files do not store. Sheets
// written on Windows are read too: a byte-order mark, keywords in any case,
// names without quotes. The rows name their data file as the sheet writes it;
// the reader of the image finds the files and places them on the disc.

// The tracks of a sheet's text; refused, with the line, when the sheet uses
// something this reader does not understand or numbers its tracks out of
// order.
DescriptorParse ParseCueSheet(std::string_view text);
