#pragma once

#include <string>
#include <string_view>
#include <vector>

// The directory search of the program. Collections come from Windows file
// systems, where names compare without regard to case and a listing comes in
// name order, so the search matches ignoring ASCII case and sorts its result.
//
// A search has three parts. The folder is used literally. A name must begin
// with `literalName` (ASCII case ignored; text from a listing or typed by the
// user, in which '*' and '?' are ordinary characters, since Linux names may hold
// them) and the rest of the name must match `wildcard`, the part the program
// itself adds, in which '*' stands for any run of characters and '?' for one.
// "*.*" matches every name, and a wildcard ending in ".*" also matches a name
// that ends where the ".*" begins (Game.* finds Game).
namespace platform {

struct FoundEntry {
    std::string name;       // the entry's name, without folder
    bool isFolder = false;  // a folder, or a link to one
    bool isLink = false;    // a symbolic link (walks do not follow links to folders)
};

// The entries of `folder` that match, "." and ".." never included, sorted by
// name compared in ASCII upper case, ties by bytes. A folder that cannot be
// read gives an empty list.
std::vector<FoundEntry> FindEntries(const std::string& folder, std::string_view literalName,
                                    std::string_view wildcard);

// The same search for several wildcards over one listing of the folder: the
// entries matching wildcards[i], in listing order, are result[i]. Searching a
// large folder for many extensions reads it once, not once per extension.
std::vector<std::vector<FoundEntry>> FindEntriesPerWildcard(
    const std::string& folder, std::string_view literalName,
    const std::vector<std::string>& wildcards);

// Every entry of a folder, sorted as above.
std::vector<FoundEntry> ListFolder(const std::string& folder);

// The entries of a sorted listing that a search for `literalName` and
// `wildcard` would give.
std::vector<FoundEntry> FilterEntries(const std::vector<FoundEntry>& listing,
                                      std::string_view literalName, std::string_view wildcard);

// FilterEntries for several wildcards: result[i] for wildcards[i].
std::vector<std::vector<FoundEntry>> FilterEntriesPerWildcard(
    const std::vector<FoundEntry>& listing, std::string_view literalName,
    const std::vector<std::string>& wildcards);

// The wildcard rules above on one name (no literal part).
bool WildcardMatch(std::string_view name, std::string_view wildcard);

// The order of a Windows listing: ASCII upper case first, then bytes.
bool ListingOrderLess(std::string_view a, std::string_view b);

// Where a name stands in listing order against the names that begin with
// `prefix` (ASCII case ignored), which stand together: below 0 before them,
// 0 one of them, above 0 after them.
int CompareToPrefix(std::string_view name, std::string_view prefix);

}  // namespace platform
