#include "run/FileEnumeration.h"

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

bool IsPartSuffix(std::string_view suffix) {
    constexpr std::string_view PREFIX = ".part";
    if (suffix.substr(0, PREFIX.size()) != PREFIX) return false;
    const std::string_view digits = suffix.substr(PREFIX.size());
    if (digits.empty() || digits.size() > 3) return false;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return value >= 1;
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
