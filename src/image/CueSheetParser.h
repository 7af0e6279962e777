#pragma once

#include <string_view>

#include "image/DescriptorParse.h"

// Cue sheets (.cue): FILE, TRACK and INDEX commands that place tracks in BINARY
// data files. The rows name their data file as the sheet writes it; the
// reader of the image finds the files.

// The tracks of a sheet's text; refused, with the line, when the sheet uses
// something this reader does not understand or numbers its tracks out of
// order.
DescriptorParse ParseCueSheet(std::string_view text);
