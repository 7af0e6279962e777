#include "rename/DiscRename.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "archive/ArchiveVolumes.h"
#include "ident/KelFileBase.h"
#include "image/CueSheet.h"
#include "platform/AsciiCase.h"
#include "platform/DecimalText.h"
#include "platform/FileOps.h"
#include "platform/FileSearch.h"
#include "platform/FolderSnapshots.h"
#include "platform/PathText.h"
#include "rename/FileActions.h"
#include "rename/RenameJournal.h"
#include "rename/RenameTransaction.h"
#include "rename/Rewrites.h"

namespace {

// The name a file of the candidate gets: the new name, its volume suffix as
// written if it has one, and its last extension (Game.part01.rar ->
// New.part01.rar, Game.Part2.RAR -> New.Part2.RAR, Game.bin.bak -> New.bak).
// A numbered volume keeps the format before its number (game.7z.001 ->
// New.7z.001): without it the set opens in no archiver.
std::string RenamedFile(const std::string& name, const std::string& newName) {
    const std::size_t lastDot = name.rfind('.');
    if (lastDot == std::string::npos) return newName;
    const std::string_view stem = std::string_view(name).substr(0, lastDot);
    const std::string_view extension = std::string_view(name).substr(lastDot + 1);
    const bool numbered =
        platform::DecimalNumber(extension, platform::MAX_DECIMAL_DIGITS).has_value();
    std::string_view part;
    const std::size_t stemDot = stem.rfind('.');
    if (stemDot != std::string_view::npos && stemDot > 0 &&
        (numbered || IsPartSuffix(stem.substr(stemDot)))) {
        part = stem.substr(stemDot);
    }
    return newName + std::string(part) + name.substr(lastDot);
}

// "(Track 3)", or "(Track 03)" on a disc of ten tracks or more.
std::string TrackMarker(std::int32_t track, std::int32_t trackCount) {
    const std::string number = std::to_string(track);
    const std::size_t digits = trackCount >= 10 ? 2 : 1;
    return " (Track " + std::string(digits > number.size() ? digits - number.size() : 0, '0') +
           number + ")";
}

std::string ExtensionOf(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

// One file the plan moves, and the FILE commands of the sheet that name it.
struct SetFile {
    std::string path;
    std::string newLeaf;
    std::vector<std::size_t> sheetFiles;
};

// The data files of a sheet, in the order it names them, with their new names.
std::vector<SetFile> SheetSet(const CueSheet& sheet, const std::string& sheetPath,
                              const std::string& newName,
                              const platform::FolderSnapshots* listings) {
    std::vector<SetFile> set;
    const std::vector<CueFile>& files = sheet.Files();
    std::vector<std::int32_t> firstTracks;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::optional<std::string> path = FindCueDataFile(files[i], sheetPath, listings);
        if (!path) continue;
        const auto known = std::find_if(set.begin(), set.end(),
                                        [&](const SetFile& file) { return file.path == *path; });
        if (known != set.end()) {
            known->sheetFiles.push_back(i);
            continue;
        }
        set.push_back({*path, {}, {i}});
        firstTracks.push_back(files[i].firstTrack);
    }
    for (std::size_t i = 0; i < set.size(); ++i) {
        const std::string leaf = platform::SplitAtLastSeparator(set[i].path).name;
        set[i].newLeaf = newName +
                         (set.size() > 1 ? TrackMarker(firstTracks[i], sheet.TrackCount()) : "") +
                         ExtensionOf(leaf);
    }
    return set;
}

Failure NameFailure(const std::string& newName) {
    if (newName.empty()) return {FailureKind::NotAName, {}, "empty name"};
    // A name holding '/' would move the files elsewhere.
    if (!platform::IsPlainName(newName)) return {FailureKind::NotAName, newName, {}};
    if (newName.size() > MAX_NAME_BYTES) return {FailureKind::NameTooLong, newName, {}};
    return Succeeded();
}

}  // namespace

std::vector<std::string> PlaylistFolders(const std::string& folder) {
    std::vector<std::string> folders{folder};
    const platform::PathSplit split = platform::SplitAtLastSeparator(folder);
    if (split.hasSeparator && !split.name.empty() && split.name != "." && split.name != "..") {
        folders.push_back(platform::ListableFolder(split));
    }
    return folders;
}

// The reason a rewrite of `path` is refused, when it is a link out of the
// scan folder.
Failure LinkFailure(const std::string& path, const std::string& scanFolder) {
    if (scanFolder.empty() || !platform::LinkLeadsOutside(path, scanFolder)) return Succeeded();
    return {FailureKind::Other, path,
            platform::SplitAtLastSeparator(path).name + " links outside the scan folder"};
}

// A plan that changes nothing, and why.
DiscPlan Refused(Failure why) {
    DiscPlan refused;
    refused.plan.failure = std::move(why);
    return refused;
}

DiscPlan PlanDiscRename(const KelFileBase& disc, const std::string& newName,
                        const FileActions& files, const std::string& scanFolder) {
    DiscPlan result;
    RenamePlan& plan = result.plan;
    plan.failure = NameFailure(newName);
    if (plan.failure) return result;

    platform::FolderSnapshots* const listings = disc.FolderListings();
    const platform::PathSplit split = platform::SplitAtLastSeparator(disc.BasePath());
    const std::string folder = platform::ListableFolder(split);

    // The sheet as the handler read it for the image: one reading for both.
    const std::string& sheetPath = disc.SheetPath();
    const CueSheet* const sheet = disc.Sheet();
    std::vector<SetFile> set;
    if (sheet) set = SheetSet(*sheet, sheetPath, newName, listings);
    const bool isSet = !set.empty();
    result.sheetSet = isSet;

    // The files of the set first, then the candidate's other files.
    std::vector<SetFile> moved = set;
    for (const std::string& path : disc.OwnFiles()) {
        if (std::any_of(set.begin(), set.end(), [&](const SetFile& f) { return f.path == path; })) {
            continue;
        }
        moved.push_back(
            {path, RenamedFile(platform::SplitAtLastSeparator(path).name, newName), {}});
    }
    if (moved.empty()) {
        plan.failure = {FailureKind::Missing, disc.BasePath(), "no file"};
        return result;
    }

    // A name already taken (or taken by another file of this plan) is never
    // replaced: a set keeps all its names, another file keeps its own.
    std::set<std::string> targets;
    std::vector<SetFile> kept;
    for (SetFile& file : moved) {
        const std::string to = platform::JoinPath(
            platform::ListableFolder(platform::SplitAtLastSeparator(file.path)), file.newLeaf);
        Failure taken;
        if (to != file.path && (files.Exists(to) || !targets.insert(to).second)) {
            taken = {FailureKind::NameTaken, to, {}};
        } else if (file.newLeaf.size() > MAX_NAME_BYTES) {
            taken = {FailureKind::NameTooLong, to, {}};
        }
        if (taken && isSet) {
            return Refused(std::move(taken));
        }
        if (taken) {
            result.unmoved.push_back({{file.path, to}, std::move(taken)});
            continue;
        }
        plan.moves.push_back({file.path, to});
        kept.push_back(std::move(file));
    }
    if (plan.moves.empty()) {
        plan.failure = result.unmoved.front().why;
        return result;
    }

    // The sheet's FILE lines follow their files, wherever the sheet goes.
    if (sheet) {
        std::map<std::size_t, std::string> newNames;
        for (const SetFile& file : kept) {
            for (const std::size_t index : file.sheetFiles) {
                newNames[index] = NameWithLeaf(sheet->Files()[index].name, file.newLeaf);
            }
        }
        // A sheet that names no file there (its image was renamed by hand) is
        // pointed at the image this rename produces, when its first line
        // names one by the new name and the extension it already writes.
        if (newNames.empty() && !sheet->Files().empty() &&
            sheet->Files().front().begin < sheet->Text().find('\n')) {
            const std::string& written = sheet->Files().front().name;
            const std::string target = newName + ExtensionOf(std::string(CueFileLeaf(written)));
            for (const SetFile& file : kept) {
                if (platform::EqualsIgnoreCase(file.newLeaf, target)) {
                    newNames[0] = NameWithLeaf(written, file.newLeaf);
                }
            }
        }
        const auto movedSheet = std::find_if(kept.begin(), kept.end(),
                                             [&](const SetFile& f) { return f.path == sheetPath; });
        if (!newNames.empty() && movedSheet != kept.end()) {
            const std::optional<std::vector<platform::TextEdit>> edits =
                sheet->RenameFiles(newNames);
            if (!edits) {
                return Refused({FailureKind::CannotWrite, sheetPath,
                                "its FILE lines cannot be rewritten safely"});
            }
            const std::string after = platform::ApplyEdits(sheet->Text(), *edits).value_or("");
            const std::string newSheetPath = platform::JoinPath(folder, movedSheet->newLeaf);
            if (!edits->empty()) {
                if (Failure outside = LinkFailure(sheetPath, scanFolder)) {
                    return Refused(std::move(outside));
                }
                plan.rewrites.push_back({ReferenceKind::CueSheet, newSheetPath,
                                         platform::TextVersion::Of(sheet->Text()),
                                         platform::TextVersion::Of(after), *edits});
            }
        }
    }

    // Playlists that name one of the files moved; one that moves with the
    // disc (Game.m3u beside Game.chd) is rewritten where it goes.
    std::map<std::string, std::string> movedTo;
    for (const PlannedMove& move : plan.moves) movedTo.emplace(move.from, move.to);
    for (const std::string& playlistFolder : PlaylistFolders(folder)) {
        const auto playlists = listings ? listings->FindWithExtension(playlistFolder, "m3u")
                                        : platform::FindEntries(playlistFolder, "", "*.m3u");
        for (const platform::FoundEntry& playlist : playlists) {
            if (playlist.isFolder) continue;
            const std::string path = platform::JoinPath(playlistFolder, playlist.name);
            const platform::SmallFile text = files.Read(path);
            if (!text.IsRead()) continue;
            std::optional<PlannedRewrite> rewrite = PlaylistRewrite(path, text.text, plan.moves);
            if (!rewrite) continue;
            if (Failure outside = LinkFailure(path, scanFolder)) return Refused(std::move(outside));
            if (const auto moved = movedTo.find(path); moved != movedTo.end()) {
                rewrite->path = moved->second;
            }
            plan.rewrites.push_back(std::move(*rewrite));
        }
    }
    return result;
}

DiscRename::DiscRename(const KelFileBase& disc, const RenameRequest& request, FileActions& files,
                       RenameJournal* journal)
    : basePath(disc.BasePath()) {
    discPlan = PlanDiscRename(disc, request.newName, files, request.scanFolder);
    const RenamePlan& plan = discPlan.plan;
    if (plan.failure) {
        failure = plan.failure;
        discPlan = DiscPlan();
        return;
    }
    const platform::PathSplit split = platform::SplitAtLastSeparator(basePath);
    const std::string renamedBase =
        platform::JoinPath(platform::ListableFolder(split), request.newName);

    if (plan.ChangesNothing()) {
        result = Result::AlreadyNamed;
    } else {
        JournalEntry entry;
        entry.kind = JournalEntry::Kind::Disc;
        entry.subject = basePath;
        entry.plan = plan;
        if (journal) {
            failure = journal->Write(entry);
            if (failure) {
                result = Result::JournalFailed;
                discPlan = DiscPlan();
                return;
            }
        }
        RenameTransaction transaction(files, plan);
        failure = transaction.Apply();
        if (failure) {
            revertFailures = transaction.RevertFailures();
            result = revertFailures.empty() ? Result::NotRenamed : Result::HalfRenamed;
            // A disc taken back whole is over; a half renamed one stays open
            // in the journal for the next run to finish.
            if (journal && revertFailures.empty()) {
                static_cast<void>(journal->Mark(entry, JournalEntry::State::Undone));
            }
            discPlan = DiscPlan();
            return;
        }
        // A mark that cannot be written leaves the entry open: the next run
        // finds every step made and only marks it.
        if (journal) static_cast<void>(journal->Mark(entry, JournalEntry::State::Done));
        result = Result::Renamed;
    }
    basePath = renamedBase;
    // Last, so that the rewritten cue sheet gets the time as well.
    if (request.setFileTime) {
        for (const PlannedMove& move : plan.moves) files.SetTimes(move.to, request.fileTime);
        for (const UnmovedFile& file : discPlan.unmoved) {
            files.SetTimes(file.move.from, request.fileTime);
        }
    }
}
