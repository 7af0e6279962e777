#include "run/FileEnumeration.h"

#include <map>
#include <set>

#include "archive/ArchiveVolumes.h"
#include "ident/KelFileBase.h"
#include "image/CueSheet.h"
#include "image/DescriptorText.h"
#include "platform/AsciiCase.h"
#include "platform/FileSearch.h"
#include "platform/FolderSnapshots.h"
#include "platform/PathText.h"
#include "platform/ReadOnlyFile.h"
#include "platform/StrayTemporaries.h"

void EnumerateFiles(const std::string& folder, bool scanSubfolders,
                    std::vector<std::string>& candidates, platform::FolderSnapshots* snapshots,
                    bool leaveStrays) {
    const std::vector<platform::FoundEntry> entries =
        leaveStrays ? platform::WithoutStrayTemporaries(folder, platform::ListFolder(folder))
                    : platform::RemoveStrayTemporaries(folder, platform::ListFolder(folder));
    if (snapshots) snapshots->Keep(folder, entries);
    for (const platform::FoundEntry& entry : entries) {
        const std::string path = folder + "/" + entry.name;
        if (entry.isFolder) {
            if (scanSubfolders && !entry.isLink) {
                EnumerateFiles(path, true, candidates, snapshots, leaveStrays);
            }
            continue;
        }
        // A playlist names discs and is never one: its discs bring it along.
        if (platform::EndsWithIgnoreCase(entry.name, ".m3u")) continue;
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

// The candidate of a file: its path without extension and, when asked,
// without a volume suffix.
std::string CandidateOf(std::string path, bool stripPartSuffixes) {
    path = WithoutExtension(std::move(path));
    if (stripPartSuffixes) {
        const std::size_t partDot = ExtensionStart(path);
        if (partDot != std::string::npos && IsPartSuffix(std::string_view(path).substr(partDot))) {
            path.erase(partDot);
        }
    }
    return path;
}

}  // namespace

std::string WithoutExtension(std::string path) {
    const std::size_t dot = ExtensionStart(path);
    if (dot != std::string::npos) path.erase(dot);
    return path;
}

void ReduceToBaseNames(std::vector<std::string>& candidates, bool stripPartSuffixes) {
    std::vector<std::string> reduced;
    reduced.reserve(candidates.size());
    for (std::string& entry : candidates) {
        // A file without an extension is the candidate of its own path.
        entry = CandidateOf(std::move(entry), stripPartSuffixes);
        if (reduced.empty() || reduced.back() != entry) reduced.push_back(std::move(entry));
    }
    candidates = std::move(reduced);
}

void GroupCueSets(std::vector<std::string>& candidates,
                  const platform::FolderSnapshots& snapshots) {
    // The sheet's candidate of every data file a sheet names, beside it or
    // in a folder it names: the data files belong to the sheet's disc.
    std::map<std::string, std::string> sheetOf;
    std::set<std::string> folders;
    for (const std::string& candidate : candidates) {
        const std::string folder =
            platform::ListableFolder(platform::SplitAtLastSeparator(candidate));
        if (!folders.insert(folder).second) continue;
        for (const platform::FoundEntry& sheetEntry : snapshots.Find(folder, "", "*.cue")) {
            if (sheetEntry.isFolder) continue;
            const std::string sheetPath = platform::JoinPath(folder, sheetEntry.name);
            platform::SmallFile text = platform::ReadSmallFile(sheetPath, MAX_DESCRIPTOR_BYTES);
            if (!text.IsRead()) continue;
            const std::string sheetCandidate = CandidateOf(sheetPath, false);
            const CueSheet sheet(std::move(text.text));
            for (const CueFile& file : sheet.Files()) {
                const std::optional<std::string> data =
                    FindCueDataFile(file, sheetPath, &snapshots);
                if (!data) continue;
                const std::string dataCandidate = CandidateOf(*data, false);
                if (dataCandidate != sheetCandidate) sheetOf.emplace(dataCandidate, sheetCandidate);
            }
        }
    }
    if (sheetOf.empty()) return;

    std::set<std::string> sets;
    for (const auto& [data, sheet] : sheetOf) sets.insert(sheet);
    std::set<std::string> taken;
    std::vector<std::string> grouped;
    for (std::string& candidate : candidates) {
        const auto redirected = sheetOf.find(candidate);
        if (redirected != sheetOf.end()) candidate = redirected->second;
        if (sets.count(candidate) && !taken.insert(candidate).second) continue;
        grouped.push_back(std::move(candidate));
    }
    candidates = std::move(grouped);
}
