#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/DescriptorParse.h"
#include "platform/TextEdits.h"

// A cue sheet (.cue), read once into the one model that every part of the
// program uses: the reader of the image takes its tracks, the rename of a
// disc takes the data files it names and where their names stand in the
// text, and the rewrite of the sheet gives those names new text and leaves
// every other byte as it was. One reading for all three means a sheet can
// never be renamed after one understanding of a FILE line and read after
// another.
//
// FILE, TRACK and INDEX commands place tracks in BINARY data files; PREGAP
// and POSTGAP add silence the files do not store. Sheets written on Windows
// are read too: a byte-order mark, keywords in any case, names without
// quotes (also with blanks: then the name is everything between the command
// and the type, its last word).

// One FILE command.
struct CueFile {
    std::string name;       // the data file, as the sheet names it (its folder part too)
    std::size_t begin = 0;  // the name as written in the text, quotes included
    std::size_t end = 0;
    bool quoted = false;          // written in double quotes
    std::int32_t firstTrack = 0;  // the number of its first TRACK; 0 for none
};

class CueSheet {
public:
    explicit CueSheet(std::string text);

    const std::string& Text() const { return text; }

    // Every FILE command in order, also of a sheet whose tracks are refused.
    const std::vector<CueFile>& Files() const { return files; }
    // The TRACK commands after the first FILE.
    std::int32_t TrackCount() const { return trackCount; }

    // The tracks, each naming its data file as the sheet writes it; refused,
    // with the line, when the sheet uses something this reader does not
    // understand, numbers its tracks out of order or holds an impossible
    // position.
    const DescriptorParse& Layout() const { return layout; }

    // The edits that give some FILE commands new names (index in Files() ->
    // the new name, folder part included). A name is written in quotes when
    // it was or when it holds a blank. Nothing when the edited text would
    // not read back as exactly these names in the same FILE commands (a name
    // that holds a quote or a line end, a line grown past the length sheets
    // are read in): then the sheet is better left alone.
    std::optional<std::vector<platform::TextEdit>> RenameFiles(
        const std::map<std::size_t, std::string>& newNames) const;

private:
    std::string text;
    std::vector<CueFile> files;
    std::int32_t trackCount = 0;
    DescriptorParse layout;
};

// The tracks of a sheet's text (CueSheet(text).Layout()).
DescriptorParse ParseCueSheet(std::string_view text);

// The last component of a FILE name: after its last '/' or '\' (sheets from
// Windows separate folders with '\').
std::string_view CueFileLeaf(std::string_view name);
