#pragma once

#include <string>
#include <string_view>

#include "naming/KelOutputText.h"

// The rename batch: one line per renamed image, the old and the new name as a
// pair of patterns, "Old Title.*" "New Title.*", so the renames of a run can be
// read back (or undone) later.
class KelRenameBatch : public KelOutputText {
public:
    using KelOutputText::KelOutputText;

    // `oldBasePath` is the image's full path without extension, `newName` the
    // name the formula built. Adds nothing when the name does not change; a
    // change of letter case is a change.
    void AddRename(std::string_view oldBasePath, std::string_view newName);
};
