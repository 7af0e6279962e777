#include "platform/FolderSnapshots.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/PathText.h"

namespace platform {

void FolderSnapshots::Keep(const std::string& folder, std::vector<FoundEntry> listing) {
    listings[folder] = std::move(listing);
}

std::vector<FoundEntry> FolderSnapshots::Find(const std::string& folder,
                                              std::string_view literalName,
                                              std::string_view wildcard) const {
    const auto kept = listings.find(folder);
    if (kept == listings.end()) return FindEntries(folder, literalName, wildcard);
    return FilterEntries(kept->second, literalName, wildcard);
}

std::vector<std::vector<FoundEntry>> FolderSnapshots::FindPerWildcard(
    const std::string& folder, std::string_view literalName,
    const std::vector<std::string>& wildcards) const {
    const auto kept = listings.find(folder);
    if (kept == listings.end()) return FindEntriesPerWildcard(folder, literalName, wildcards);
    return FilterEntriesPerWildcard(kept->second, literalName, wildcards);
}

void FolderSnapshots::Moved(const std::string& fromPath, const std::string& toPath) {
    const PathSplit from = SplitAtLastSeparator(fromPath);
    const PathSplit to = SplitAtLastSeparator(toPath);
    FoundEntry moved;
    bool known = false;
    if (const auto source = listings.find(from.folder); source != listings.end()) {
        auto& entries = source->second;
        const auto found = std::find_if(entries.begin(), entries.end(),
                                        [&](const FoundEntry& e) { return e.name == from.name; });
        if (found != entries.end()) {
            moved = *found;
            known = true;
            entries.erase(found);
        }
    }
    const auto target = listings.find(to.folder);
    if (target == listings.end()) return;
    if (!known) {
        struct stat status;
        struct stat linkStatus;
        moved.isFolder = stat(toPath.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
        moved.isLink = lstat(toPath.c_str(), &linkStatus) == 0 && S_ISLNK(linkStatus.st_mode);
    }
    moved.name = to.name;
    auto& entries = target->second;
    const auto place = std::lower_bound(
        entries.begin(), entries.end(), moved,
        [](const FoundEntry& a, const FoundEntry& b) { return ListingOrderLess(a.name, b.name); });
    entries.insert(place, std::move(moved));
}

bool FolderSnapshots::Holds(const std::string& path) const {
    const PathSplit split = SplitAtLastSeparator(path);
    const auto kept = listings.find(split.folder);
    if (kept == listings.end()) {
        struct stat status;
        return lstat(path.c_str(), &status) == 0;
    }
    // The listing is in listing order, in which equal names stand together.
    const auto& entries = kept->second;
    auto found = std::lower_bound(entries.begin(), entries.end(), split.name,
                                  [](const FoundEntry& entry, const std::string& name) {
                                      return ListingOrderLess(entry.name, name);
                                  });
    return found != entries.end() && found->name == split.name;
}

}  // namespace platform
