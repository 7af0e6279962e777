#include "platform/FolderSnapshots.h"

#include <sys/stat.h>

#include <iterator>

#include "platform/AsciiCase.h"
#include "platform/FileOps.h"
#include "platform/PathText.h"

namespace platform {

void FolderSnapshots::Keep(const std::string& folder, std::vector<FoundEntry> listing) {
    listings[folder] =
        Index(std::make_move_iterator(listing.begin()), std::make_move_iterator(listing.end()));
    extensionIndexes.erase(folder);
}

std::vector<FoundEntry> FolderSnapshots::Find(const std::string& folder,
                                              std::string_view literalName,
                                              std::string_view wildcard) const {
    const auto kept = listings.find(folder);
    if (kept == listings.end()) return FindEntries(folder, literalName, wildcard);
    std::vector<FoundEntry> matching;
    const Index& entries = kept->second;
    for (auto entry = entries.lower_bound(NamePrefix{literalName});
         entry != entries.end() && CompareToPrefix(entry->name, literalName) == 0; ++entry) {
        if (WildcardMatch(std::string_view(entry->name).substr(literalName.size()), wildcard)) {
            matching.push_back(*entry);
        }
    }
    return matching;
}

std::vector<std::vector<FoundEntry>> FolderSnapshots::FindPerWildcard(
    const std::string& folder, std::string_view literalName,
    const std::vector<std::string>& wildcards) const {
    const auto kept = listings.find(folder);
    if (kept == listings.end()) return FindEntriesPerWildcard(folder, literalName, wildcards);
    std::vector<std::vector<FoundEntry>> found(wildcards.size());
    const Index& entries = kept->second;
    for (auto entry = entries.lower_bound(NamePrefix{literalName});
         entry != entries.end() && CompareToPrefix(entry->name, literalName) == 0; ++entry) {
        const std::string_view rest = std::string_view(entry->name).substr(literalName.size());
        for (std::size_t i = 0; i < wildcards.size(); ++i) {
            if (WildcardMatch(rest, wildcards[i])) found[i].push_back(*entry);
        }
    }
    return found;
}

namespace {

// The extension of a name in lower case: the text after its last '.', or
// nothing for a name without one.
std::string LowerExtension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : ToLowerAscii(name.substr(dot + 1));
}

}  // namespace

std::vector<FoundEntry> FolderSnapshots::FindWithExtension(const std::string& folder,
                                                           const std::string& extension) const {
    const auto kept = listings.find(folder);
    if (kept == listings.end()) return FindEntries(folder, "", "*." + extension);
    const std::string wanted = ToLowerAscii(extension);
    auto& indexes = extensionIndexes[folder];
    auto index = indexes.find(wanted);
    if (index == indexes.end()) {
        Index entries;
        for (const FoundEntry& entry : kept->second) {
            if (LowerExtension(entry.name) == wanted) entries.insert(entry);
        }
        index = indexes.emplace(wanted, std::move(entries)).first;
    }
    return std::vector<FoundEntry>(index->second.begin(), index->second.end());
}

FolderSnapshots::Index* FolderSnapshots::KeptIndex(const std::string& folder,
                                                   const std::string& name) {
    const auto indexes = extensionIndexes.find(folder);
    if (indexes == extensionIndexes.end()) return nullptr;
    const auto index = indexes->second.find(LowerExtension(name));
    return index == indexes->second.end() ? nullptr : &index->second;
}

void FolderSnapshots::Moved(const std::string& fromPath, const std::string& toPath) {
    const PathSplit from = SplitAtLastSeparator(fromPath);
    const PathSplit to = SplitAtLastSeparator(toPath);
    FoundEntry moved;
    bool known = false;
    if (const auto source = listings.find(from.folder); source != listings.end()) {
        auto found = source->second.find(FoundEntry{from.name});
        if (found != source->second.end()) {
            moved = std::move(source->second.extract(found).value());
            known = true;
        }
        if (Index* index = KeptIndex(from.folder, from.name)) index->erase(FoundEntry{from.name});
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
    if (Index* index = KeptIndex(to.folder, to.name)) index->insert(moved);
    target->second.insert(std::move(moved));
}

bool FolderSnapshots::Holds(const std::string& path) const {
    const PathSplit split = SplitAtLastSeparator(path);
    const auto kept = listings.find(split.folder);
    if (kept == listings.end()) return NameTaken(path);
    return kept->second.contains(FoundEntry{split.name});
}

}  // namespace platform
