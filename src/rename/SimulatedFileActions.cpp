#include <algorithm>
#include <cerrno>

#include "platform/FileOps.h"
#include "platform/FolderSnapshots.h"
#include "platform/PathText.h"
#include "rename/FileActions.h"
#include "rename/RenamePlan.h"

namespace {

// `path` with the part `from` at its start (the path itself or a folder
// above it) replaced by `to`; nothing when `path` does not lie there.
std::optional<std::string> Rebased(const std::string& path, const std::string& from,
                                   const std::string& to) {
    const std::optional<std::string> rest = platform::PathBelow(path, from);
    if (!rest) return std::nullopt;
    return to + *rest;
}

}  // namespace

namespace {

// The latest entry of an ascending list of move numbers that lies before `bound`.
std::optional<std::size_t> LatestBefore(
    const std::unordered_map<std::string, std::vector<std::size_t>>& index, const std::string& path,
    std::size_t bound) {
    const auto found = index.find(path);
    if (found == index.end()) return std::nullopt;
    const auto after = std::lower_bound(found->second.begin(), found->second.end(), bound);
    if (after == found->second.begin()) return std::nullopt;
    return *(after - 1);
}

}  // namespace

std::optional<std::size_t> SimulatedFileActions::LatestMoveTouching(const std::string& path,
                                                                    std::size_t bound) const {
    std::optional<std::size_t> latest;
    // The path itself, then each folder above it.
    for (std::size_t end = path.size(); end != std::string::npos && end > 0;
         end = path.rfind('/', end - 1)) {
        const std::string part = path.substr(0, end);
        for (const auto* index : {&movesTo, &movesFrom}) {
            const std::optional<std::size_t> move = LatestBefore(*index, part, bound);
            if (move && (!latest || *move > *latest)) latest = move;
        }
    }
    return latest;
}

std::optional<std::string> SimulatedFileActions::OnDisk(const std::string& path) const {
    std::string current = path;
    // The latest move first: it decides what the name holds now.
    std::size_t bound = moves.size();
    while (const std::optional<std::size_t> latest = LatestMoveTouching(current, bound)) {
        const auto& [from, to] = moves[*latest];
        if (const auto before = Rebased(current, to, from)) {
            current = *before;
        } else if (platform::PathBelow(current, from)) {
            return std::nullopt;
        }
        bound = *latest;
    }
    return current;
}

bool SimulatedFileActions::Exists(const std::string& path) const {
    // The run's listings follow the simulated moves of files: they answer
    // without asking the disk.
    const platform::PathSplit split = platform::SplitAtLastSeparator(path);
    if (listings && !folderMoved && listings->Keeps(split.folder)) return listings->Holds(path);
    const std::optional<std::string> onDisk = OnDisk(path);
    return onDisk && platform::NameTaken(*onDisk);
}

Failure SimulatedFileActions::Move(const std::string& from, const std::string& to) {
    if (from == to) return Exists(from) ? Succeeded() : FailureOfErrno(ENOENT, from);
    if (!Exists(from)) return FailureOfErrno(ENOENT, from);
    const platform::PathSplit target = platform::SplitAtLastSeparator(to);
    if (!platform::IsPlainName(target.name)) return {FailureKind::NotAName, to, {}};
    if (target.name.size() > MAX_NAME_BYTES) return FailureOfErrno(ENAMETOOLONG, to);
    if (Exists(to)) return FailureOfErrno(EEXIST, to);
    for (const std::string& path : {from, to}) {
        const std::optional<std::string> onDisk = OnDisk(path);
        const int error = platform::FolderChangeError(
            platform::ListableFolder(platform::SplitAtLastSeparator(onDisk.value_or(path))));
        if (error != 0) return FailureOfErrno(error, path);
    }
    if (platform::KindOf(OnDisk(from).value_or(from)) == platform::PathKind::Folder) {
        folderMoved = true;
    }
    movesTo[to].push_back(moves.size());
    movesFrom[from].push_back(moves.size());
    moves.emplace_back(from, to);
    for (auto& [path, text] : written) {
        if (const auto moved = Rebased(path, from, to)) path = *moved;
    }
    if (listings) listings->Moved(from, to);
    return Succeeded();
}

platform::SmallFile SimulatedFileActions::Read(const std::string& path) const {
    const auto found = std::find_if(written.begin(), written.end(),
                                    [&](const auto& entry) { return entry.first == path; });
    if (found != written.end()) return {platform::SmallFile::Outcome::Read, found->second};
    const std::optional<std::string> onDisk = OnDisk(path);
    if (!onDisk) return {};
    return platform::ReadSmallFile(*onDisk, MAX_REFERENCING_FILE);
}

Failure SimulatedFileActions::Write(const std::string& path, std::string_view text) {
    const std::optional<std::string> onDisk = OnDisk(path);
    const int error = platform::FolderChangeError(
        platform::ListableFolder(platform::SplitAtLastSeparator(onDisk.value_or(path))));
    if (error != 0) return FailureOfErrno(error, path);
    const auto found = std::find_if(written.begin(), written.end(),
                                    [&](const auto& entry) { return entry.first == path; });
    if (found != written.end()) {
        found->second = std::string(text);
    } else {
        written.emplace_back(path, std::string(text));
    }
    return Succeeded();
}
