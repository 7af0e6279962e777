#include "run/FileEnumeration.h"

#include "ident/ArchiveVolumes.h"
#include "platform/FileSearch.h"
#include "platform/FolderSnapshots.h"

void EnumerateFiles(const std::string& folder, bool scanSubfolders,
                    std::vector<std::string>& candidates, platform::FolderSnapshots* snapshots) {
    const std::vector<platform::FoundEntry> entries =
        snapshots ? snapshots->Take(folder) : platform::ListFolder(folder);
    for (const platform::FoundEntry& entry : entries) {
        const std::string path = folder + "/" + entry.name;
        if (entry.isFolder) {
            if (scanSubfolders && !entry.isLink) EnumerateFiles(path, true, candidates, snapshots);
            continue;
        }
        candidates.push_back(path);
    }
}

void ReduceToBaseNames(std::vector<std::string>& candidates, bool stripPartSuffixes) {
    std::vector<std::string> reduced;
    reduced.reserve(candidates.size());
    for (std::string& entry : candidates) {
        const std::size_t dot = entry.rfind('.');
        if (dot != std::string::npos) entry.erase(dot);
        if (stripPartSuffixes) {
            const std::size_t partDot = entry.rfind('.');
            if (partDot != std::string::npos &&
                IsPartSuffix(std::string_view(entry).substr(partDot))) {
                entry.erase(partDot);
            }
        }
        if (reduced.empty() || reduced.back() != entry) reduced.push_back(std::move(entry));
    }
    candidates = std::move(reduced);
}
