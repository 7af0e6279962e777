#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// The FILE lines of a cue sheet as text: where each data file's name stands,
// so that a renamed set's sheet can be given the new names while every other
// byte of it (quoting, file types, comments, line ends) stays as it was.

struct CueFileName {
    std::size_t begin = 0;  // byte range of the name in the text, quotes excluded
    std::size_t end = 0;
    bool quoted = false;
    std::string name;             // as written
    std::int32_t firstTrack = 0;  // number of the first TRACK of its FILE block; 0 for none
};

struct CueSheetFiles {
    std::vector<CueFileName> files;
    std::int32_t trackCount = 0;
};

// The FILE names of a sheet, in order, and the number of its TRACK lines.
// Keywords are found in any letter case, after a byte-order mark too.
CueSheetFiles FindCueFileNames(std::string_view text);

// The last component of a FILE name: after its last '/' or '\' (sheets from
// Windows separate folders with '\').
std::string_view CueFileLeaf(std::string_view name);

// The sheet with the last component of each FILE name that `renamed` holds
// (old leaf -> new leaf) replaced. A name written without quotes stays so
// unless its new form holds a blank; a quoted name whose new leaf `bare`
// holds loses its quotes (taking back the quotes an earlier rename added).
std::string ReplaceCueFileNames(std::string_view text,
                                const std::map<std::string, std::string>& renamed,
                                const std::set<std::string>& bare = {});
