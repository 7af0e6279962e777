#include "rename/DiscRename.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>

#include "archive/ArchiveVolumes.h"
#include "ident/KelFileBase.h"
#include "image/CueSheetText.h"
#include "platform/AsciiCase.h"
#include "platform/FileOps.h"
#include "platform/FileSearch.h"
#include "platform/FolderSnapshots.h"
#include "platform/PathText.h"
#include "platform/ReadOnlyFile.h"
#include "rename/RenameJournal.h"

namespace {

// The longest file name the file systems of a collection take.
constexpr std::size_t MAX_NAME_BYTES = 255;

// The name a file of the candidate gets: the new name, its volume suffix as
// written if it has one, and its last extension (Game.part01.rar ->
// New.part01.rar, Game.Part2.RAR -> New.Part2.RAR, Game.bin.bak -> New.bak).
std::string RenamedFile(const std::string& name, const std::string& newName) {
    const std::size_t lastDot = name.rfind('.');
    if (lastDot == std::string::npos) return newName;
    const std::string_view stem = std::string_view(name).substr(0, lastDot);
    std::string_view part;
    const std::size_t stemDot = stem.rfind('.');
    if (stemDot != std::string_view::npos && IsPartSuffix(stem.substr(stemDot))) {
        part = stem.substr(stemDot);
    }
    return newName + std::string(part) + name.substr(lastDot);
}

// The error a move would meet, decided without making it: on the run's
// listings (which the moves decided before it have changed) and the
// permissions of its folder; 0 when it would be made.
int WouldMoveError(const PlannedMove& move, const platform::FolderSnapshots* snapshots) {
    if (move.from == move.to) return 0;
    const platform::PathSplit target = platform::SplitAtLastSeparator(move.to);
    if (target.name.size() > MAX_NAME_BYTES) return ENAMETOOLONG;
    if (snapshots ? snapshots->Holds(move.to) : platform::NameTaken(move.to)) return EEXIST;
    return platform::FolderChangeError(platform::ListableFolder(target));
}

}  // namespace

std::string MoveFailureText(int error) {
    switch (error) {
        case EEXIST:
        case ENOTEMPTY:
            return NAME_EXISTS;
        case ENAMETOOLONG:
            return "name too long";
        case EACCES:
        case EPERM:
            return "permission denied";
        case EROFS:
            return "read-only folder";
        default:
            return std::strerror(error);
    }
}

RenamePlan PlanDiscRename(const KelFileBase& disc, const std::string& newName) {
    const std::string& basePath = disc.BasePath();
    platform::FolderSnapshots* const snapshots = disc.FolderListings();
    RenamePlan plan;
    if (newName.empty()) {
        plan.failure = "empty name";
    } else if (!platform::IsPlainName(newName)) {
        // A name holding '/' would move the files elsewhere.
        plan.failure = "not a file name";
    } else if (newName.size() > MAX_NAME_BYTES) {
        plan.failure = "name too long";
    }
    if (!plan.failure.empty()) return plan;

    const platform::PathSplit split = platform::SplitAtLastSeparator(basePath);
    const std::string folder = platform::ListableFolder(split);
    const FileSearchBase candidate = disc.CandidateFiles();
    const std::vector<std::string> cues = FindFilesByExtensions(candidate, {"cue"}, snapshots);
    const std::string sheet =
        cues.empty() ? std::string() : platform::SplitAtLastSeparator(cues.front()).name;

    // The data files the sheet names in its own folder, and their new names.
    std::map<std::string, std::string> setFiles;    // file name -> new name
    std::map<std::string, std::string> sheetNames;  // name as the sheet writes it -> new name
    platform::SmallFile sheetText;
    CueSheetFiles sheetFiles;
    if (!sheet.empty()) {
        sheetText =
            platform::ReadSmallFile(platform::JoinPath(folder, sheet), MAX_REFERENCING_FILE);
        sheetFiles = FindCueFileNames(sheetText.text);
        std::vector<std::pair<std::string, const CueFileName*>> dataFiles;
        for (const CueFileName& file : sheetFiles.files) {
            const std::string leaf(CueFileLeaf(file.name));
            const auto found = FindIn(snapshots, folder, leaf, "");
            for (const platform::FoundEntry& entry : found) {
                if (entry.isFolder || entry.name == sheet) continue;
                const bool known =
                    std::any_of(dataFiles.begin(), dataFiles.end(),
                                [&](const auto& d) { return d.first == entry.name; });
                if (!known) dataFiles.emplace_back(entry.name, &file);
                break;
            }
        }
        const int digits = sheetFiles.trackCount >= 10 ? 2 : 1;
        for (const auto& [name, file] : dataFiles) {
            std::string renamed = newName;
            if (dataFiles.size() > 1) {
                const std::string number = std::to_string(file->firstTrack);
                renamed +=
                    " (Track " +
                    std::string(std::size_t(std::max<int>(0, digits - int(number.size()))), '0') +
                    number + ")";
            }
            const std::size_t dot = name.rfind('.');
            renamed += dot == std::string::npos ? std::string() : name.substr(dot);
            setFiles.emplace(name, renamed);
            sheetNames.emplace(std::string(CueFileLeaf(file->name)), renamed);
        }
        plan.allOrNothing = !setFiles.empty();
    }

    // The files of the set first, then the candidate's other files.
    for (const auto& [name, renamed] : setFiles) {
        plan.moves.push_back(
            {platform::JoinPath(folder, name), platform::JoinPath(folder, renamed)});
    }
    const auto entries = FindIn(snapshots, folder, split.name, ".*");
    std::map<std::string, std::string> renamedFiles;  // every move, by file name
    for (const auto& [name, renamed] : setFiles) renamedFiles.emplace(name, renamed);
    for (const platform::FoundEntry& entry : entries) {
        if (entry.isFolder || !candidate.Spells(entry.name) || setFiles.count(entry.name)) {
            continue;
        }
        const std::string renamed = RenamedFile(entry.name, newName);
        plan.moves.push_back(
            {platform::JoinPath(folder, entry.name), platform::JoinPath(folder, renamed)});
        renamedFiles.emplace(entry.name, renamed);
    }

    // A sheet that names no file of the folder (its image was renamed by
    // hand) is pointed at the image this rename produces, when its first
    // line names one by the new name and the extension it already writes.
    if (sheetNames.empty() && !sheetFiles.files.empty() &&
        sheetFiles.files.front().begin < sheetText.text.find('\n')) {
        const std::string leaf(CueFileLeaf(sheetFiles.files.front().name));
        const std::size_t dot = leaf.rfind('.');
        const std::string target = newName + (dot == std::string::npos ? "" : leaf.substr(dot));
        for (const auto& [name, renamed] : renamedFiles) {
            if (platform::EqualsIgnoreCase(renamed, target)) sheetNames.emplace(leaf, renamed);
        }
    }
    if (const auto movedSheet = renamedFiles.find(sheet);
        !sheetNames.empty() && movedSheet != renamedFiles.end()) {
        std::set<std::string> bare;
        for (const CueFileName& file : sheetFiles.files) {
            const std::string leaf(CueFileLeaf(file.name));
            if (!file.quoted && sheetNames.count(leaf)) bare.insert(leaf);
        }
        plan.rewrites.push_back({ReferenceKind::CueSheet,
                                 platform::JoinPath(folder, movedSheet->second), sheetNames,
                                 std::move(bare)});
    }
    // Playlists beside the disc that name one of its files by name.
    const auto playlists = snapshots ? snapshots->FindWithExtension(folder, "m3u")
                                     : platform::FindEntries(folder, "", "*.m3u");
    for (const platform::FoundEntry& playlist : playlists) {
        if (playlist.isFolder || renamedFiles.count(playlist.name)) continue;
        const std::string path = platform::JoinPath(folder, playlist.name);
        const platform::SmallFile text = platform::ReadSmallFile(path, MAX_REFERENCING_FILE);
        if (!text.IsRead()) continue;
        std::map<std::string, std::string> references = PlaylistReferences(text.text, renamedFiles);
        if (!references.empty()) {
            plan.rewrites.push_back({ReferenceKind::Playlist, path, std::move(references), {}});
        }
    }
    return plan;
}

int DiscRename::MoveFile(const PlannedMove& move, bool dryRun) {
    if (dryRun) {
        const int error = WouldMoveError(move, snapshots);
        if (error == 0 && snapshots) snapshots->Moved(move.from, move.to);
        return error;
    }
    if (!platform::MovePath(move.from, move.to)) return errno != 0 ? errno : ENOENT;
    if (snapshots) snapshots->Moved(move.from, move.to);
    return 0;
}

DiscRename::DiscRename(const KelFileBase& disc, const RenameRequest& request)
    : basePath(disc.BasePath()), snapshots(disc.FolderListings()) {
    renamed = Rename(disc, request);
}

bool DiscRename::Rename(const KelFileBase& disc, const RenameRequest& request) {
    lastPlan = PlanDiscRename(disc, request.newName);
    RenamePlan& plan = lastPlan;
    renameFailure = plan.failure;
    if (!renameFailure.empty()) return false;
    if (plan.moves.empty()) {
        renameFailure = "no file";
        return false;
    }
    const bool dryRun = request.dryRun;
    RenameJournal* const journal = dryRun ? nullptr : request.journal;
    if (journal) journal->BeginDisc(basePath, plan);

    std::vector<PlannedMove> moved;
    std::vector<PlannedMove> unmoved;
    int moveError = 0;
    for (const PlannedMove& move : plan.moves) {
        const int error = MoveFile(move, dryRun);
        if (error == 0) {
            moved.push_back(move);
            continue;
        }
        moveError = error;
        if (plan.allOrNothing) break;
        unmoved.push_back(move);
        unmovedFiles.push_back({move, MoveFailureText(error)});
    }
    const bool complete = moved.size() == plan.moves.size();
    std::size_t rewritten = 0;
    std::vector<RewriteResult> results;
    if (complete || !plan.allOrNothing) {
        KeepReferencesToMoves(plan.rewrites, moved);
        for (; rewritten < plan.rewrites.size(); ++rewritten) {
            const PlannedRewrite& rewrite = plan.rewrites[rewritten];
            // A dry run made no move: a sheet is still where it was.
            std::string readPath = rewrite.path;
            for (const PlannedMove& move : moved) {
                if (move.to == rewrite.path) readPath = move.from;
            }
            results.push_back(dryRun ? PreviewRewrite(rewrite, false, readPath)
                                     : ApplyRewrite(rewrite, false));
            if (results.back() == RewriteResult::Failed) break;
        }
    }
    const bool movesFailed = (plan.allOrNothing && !complete) || moved.empty();
    if (movesFailed || rewritten < plan.rewrites.size()) {
        // The disc stays as it was, under its old names.
        if (!dryRun) {
            for (std::size_t i = rewritten; i-- > 0;) ApplyRewrite(plan.rewrites[i], true);
        }
        for (auto move = moved.rbegin(); move != moved.rend(); ++move) {
            MoveFile({move->to, move->from}, dryRun);
        }
        if (journal) journal->EndDisc(false);
        renameFailure =
            movesFailed ? MoveFailureText(moveError)
                        : "cannot write " +
                              platform::SplitAtLastSeparator(plan.rewrites[rewritten].path).name;
        plan.moves.clear();
        plan.rewrites.clear();
        unmovedFiles.clear();
        return false;
    }
    if (journal) journal->EndDisc(true, unmoved);

    // The plan as carried out: the moves made, the files rewritten.
    plan.moves = std::move(moved);
    for (std::size_t i = results.size(); i-- > 0;) {
        if (results[i] == RewriteResult::Unchanged) {
            plan.rewrites.erase(plan.rewrites.begin() + std::ptrdiff_t(i));
        }
    }
    basePath = platform::JoinPath(
        platform::ListableFolder(platform::SplitAtLastSeparator(basePath)), request.newName);
    // Last, so that the rewritten cue sheet gets the time as well.
    if (request.setFileTime && !dryRun) {
        for (const PlannedMove& move : plan.moves) {
            platform::SetFileTimes(move.to, request.fileTime);
        }
        for (const PlannedMove& move : unmoved) {
            platform::SetFileTimes(move.from, request.fileTime);
        }
    }
    return true;
}
