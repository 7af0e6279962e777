#pragma once

#include <string>
#include <vector>

#include "image/DescriptorParse.h"
#include "image/ImageFiles.h"

// The second step of reading a descriptor: after its text is parsed, the data
// files it names are found and opened, and every row gets the path and the
// data of its file. Refused, with the reason, when a file cannot be found.

// Where a cue sheet's FILE name may stand, in the order they are tried: a
// folder ("" for the current one), a name in it, and whether the name also
// matches ignoring ASCII case.
struct CueDataFilePlace {
    std::string folder;
    std::string name;
    bool ignoringCase = false;
};
std::vector<CueDataFilePlace> CueDataFilePlaces(std::string name, const std::string& sheetPath);

// Cue sheets: each FILE is looked for relative to the sheet ('\' or '/'
// between folders), then by its last component beside the sheet, also
// ignoring case; every row gets its place on the disc.
DescriptorParse ResolveCueSheet(DescriptorParse parse, const std::string& sheetPath,
                                const ImageFiles& files);

// CloneCD: every track lies in the .img file beside the control file (its
// name also ignoring case), which must hold bytes.
DescriptorParse ResolveCloneCD(DescriptorParse parse, const std::string& controlPath,
                               const ImageFiles& files);
