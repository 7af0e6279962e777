#pragma once

#include <string>
#include <string_view>

#include "image/DescriptorParse.h"

// CloneCD control files (.ccd): a table of contents in sectioned key text,
// describing the raw 2352-byte sectors of the .img file beside it.

// The data file of a control file: its path with the extension replaced by
// ".img".
std::string CloneCDDataFile(const std::string& controlPath);

// The tracks of a control file's text; refused, with the reason, when it is
// not a version 2 or 3 control file of an unscrambled disc. The rows name no data
// file: it is the .img beside the control file.
DescriptorParse ParseCloneCD(std::string_view text);
