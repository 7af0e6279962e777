#pragma once

#include <map>
#include <set>
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

    // The entries of a folder whose names end in "." + `extension` (ASCII case
    // ignored), in listing order. For a kept folder the answer is indexed
    // once and kept current by Moved: a search for every disc of a folder of
    // thousands would otherwise look at every name thousands of times.
    std::vector<FoundEntry> FindWithExtension(const std::string& folder,
                                              const std::string& extension) const;

    // Records a move the program made (or, in a dry run, decided to make),
    // in the listings of both folders.
    void Moved(const std::string& fromPath, const std::string& toPath);

    // Whether the listing of `folder` is kept.
    bool Keeps(const std::string& folder) const { return listings.contains(folder); }

    // Whether an entry of exactly this name is there: in the kept listing of
    // its folder, else on the disk.
    bool Holds(const std::string& path) const;

private:
    // Names that begin with a text, ASCII case ignored.
    struct NamePrefix {
        std::string_view text;
    };
    // Listing order; a prefix stands where the names that begin with it do.
    struct ListingOrder {
        using is_transparent = void;
        bool operator()(const FoundEntry& a, const FoundEntry& b) const {
            return ListingOrderLess(a.name, b.name);
        }
        bool operator()(const FoundEntry& entry, NamePrefix prefix) const {
            return CompareToPrefix(entry.name, prefix.text) < 0;
        }
        bool operator()(NamePrefix prefix, const FoundEntry& entry) const {
            return CompareToPrefix(entry.name, prefix.text) > 0;
        }
    };
    // Sorted, so that a move takes and puts one entry without shifting the
    // thousands after it.
    using Index = std::set<FoundEntry, ListingOrder>;

    // The index of `folder` for the extension of `name`, when one was built.
    Index* KeptIndex(const std::string& folder, const std::string& name);

    std::unordered_map<std::string, Index> listings;
    // Per kept folder, per extension asked for (lower case): its entries.
    mutable std::unordered_map<std::string, std::map<std::string, Index>> extensionIndexes;
};

}  // namespace platform
