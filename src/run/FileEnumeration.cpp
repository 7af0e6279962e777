#include "run/FileEnumeration.h"

#include "ident/ArchiveVolumes.h"
#include "platform/FileSearch.h"
#include "platform/FolderSnapshots.h"
#include "platform/StrayTemporaries.h"

void EnumerateFiles(const std::string& folder, bool scanSubfolders,
                    std::vector<std::string>& candidates, platform::FolderSnapshots* snapshots) {
    const std::vector<platform::FoundEntry> entries =
        platform::RemoveStrayTemporaries(folder, platform::ListFolder(folder));
    if (snapshots) snapshots->Keep(folder, entries);
    for (const platform::FoundEntry& entry : entries) {
        const std::string path = folder + "/" + entry.name;
        if (entry.isFolder) {
            if (scanSubfolders && !entry.isLink) EnumerateFiles(path, true, candidates, snapshots);
            continue;
        }
        candidates.push_back(path);
    }
}

namespace {

// Where the extension of a path's file name begins: its last '.', looked for
// in the name only (a folder such as Games.v2 has no say), and not at the
// name's first character (.bashrc is a name, not an extension). npos when the
// name has none.
std::size_t ExtensionStart(std::string_view path) {
    const std::size_t nameStart = path.rfind('/') + 1;
    const std::size_t dot = path.rfind('.');
    return dot == std::string_view::npos || dot <= nameStart ? std::string_view::npos : dot;
}

}  // namespace

void ReduceToBaseNames(std::vector<std::string>& candidates, bool stripPartSuffixes) {
    std::vector<std::string> reduced;
    reduced.reserve(candidates.size());
    for (std::string& entry : candidates) {
        // A file without an extension is the candidate of its own path.
        const std::size_t dot = ExtensionStart(entry);
        if (dot != std::string::npos) entry.erase(dot);
        if (stripPartSuffixes) {
            const std::size_t partDot = ExtensionStart(entry);
            if (partDot != std::string::npos &&
                IsPartSuffix(std::string_view(entry).substr(partDot))) {
                entry.erase(partDot);
            }
        }
        if (reduced.empty() || reduced.back() != entry) reduced.push_back(std::move(entry));
    }
    candidates = std::move(reduced);
}
