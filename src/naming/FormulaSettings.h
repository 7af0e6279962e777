#pragma once

#include <string>

// What a formula expansion needs besides the game's record: the formula and
// the width flags of the name.
struct FormulaSettings {
    std::string formula;
    bool fullWidthSpecial = false;  // carried along with the others; changes nothing
    // What stays full width in the name; everything else of the name that has
    // a half-width form ends in it.
    bool fullWidthDigits = false;
    bool fullWidthLetters = false;
    bool fullWidthPunctuation = false;
    bool fullWidthSpaces = false;
    // The expansion is a file name: the characters file names may not hold
    // (\ / : * ? " < > |) keep their full-width forms in a name whatever the
    // flags say, and a leading '.', which would hide the file, is written as
    // the full-width dot U+FF0E. List lines, which are no file names, show
    // the database's own characters.
    bool forFileNames = true;
};
