#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/FileSearch.h"

// Listings of the folders a run works through, read once and kept current by
// the run's own moves. A run looks for the files of each of thousands of
// candidates in the same large folders, and reading a folder of a thousand
// entries costs about a fifth of a millisecond each time. Folders that were
// not taken (an extraction folder, for one) are read afresh on every search.
namespace platform {

class FolderSnapshots {
public:
    // Keeps a folder's listing for the searches that follow.
    void Keep(const std::string& folder, std::vector<FoundEntry> listing);

    // FindEntries and FindEntriesPerWildcard, on the kept listing when there is one.
    std::vector<FoundEntry> Find(const std::string& folder, std::string_view literalName,
                                 std::string_view wildcard) const;
    std::vector<std::vector<FoundEntry>> FindPerWildcard(
        const std::string& folder, std::string_view literalName,
        const std::vector<std::string>& wildcards) const;

    // Records a move the program made (or, in a dry run, decided to make),
    // in the listings of both folders.
    void Moved(const std::string& fromPath, const std::string& toPath);

    // Whether an entry of exactly this name is there: in the kept listing of
    // its folder, else on the disk.
    bool Holds(const std::string& path) const;

private:
    std::unordered_map<std::string, std::vector<FoundEntry>> listings;
};

}  // namespace platform
