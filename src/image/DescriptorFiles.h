#pragma once

#include <string>

#include "image/DescriptorParse.h"
#include "image/ImageFiles.h"

// The second step of reading a descriptor: after its text is parsed, the data
// files it names are found and opened, and every row gets the path and the
// data of its file. Refused, with the reason, when a file cannot be found.

// Cue sheets: each FILE is looked for relative to the sheet ('\' or '/'
// between folders), then by its last component beside the sheet, also
// ignoring case; every row gets its place on the disc.
DescriptorParse ResolveCueSheet(DescriptorParse parse, const std::string& sheetPath,
                                const ImageFiles& files);

// CloneCD: every track lies in the .img file beside the control file (its
// name also ignoring case), which must hold bytes.
DescriptorParse ResolveCloneCD(DescriptorParse parse, const std::string& controlPath,
                               const ImageFiles& files);
