#pragma once

#include <string>

#include "image/DescriptorParse.h"
#include "image/ImageFiles.h"

// The second step of reading a descriptor: after its text is parsed, the data
// files it names are found and opened, and every row gets the path and the
// data of its file. Refused, with the reason, when a file cannot be found.

// Cue sheets: each FILE is looked for as written, then beside the sheet.
DescriptorParse ResolveCueSheet(DescriptorParse parse, const std::string& sheetPath,
                                const ImageFiles& files);

// CloneCD: every track lies in the .img file beside the control file, which
// must hold bytes.
DescriptorParse ResolveCloneCD(DescriptorParse parse, const std::string& controlPath,
                               const ImageFiles& files);
