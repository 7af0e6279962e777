#include "ident/KelFileBase.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>

#include "ident/ArchiveVolumes.h"
#include "ident/ExtractionFolder.h"
#include "ident/KelArchivers.h"
#include "ident/RenameJournal.h"
#include "image/CompressedImages.h"
#include "image/CueSheetText.h"
#include "image/KelCDFileSystem.h"
#include "platform/AsciiCase.h"
#include "platform/Crc32.h"
#include "platform/FileOps.h"
#include "platform/FileSearch.h"
#include "platform/FolderSnapshots.h"
#include "platform/PathText.h"
#include "platform/ReadOnlyFile.h"
#include "platform/TextLines.h"

namespace {

// Searched before the image, in this order. "z01" finds a spanned zip whose
// last volume (the .zip) is missing, so that the extractor can name it.
const std::vector<std::string> ARCHIVE_EXTENSIONS = {
    "zip", "rar", "part1.rar", "part01.rar", "part001.rar", "001",
    "7z",  "lzh", "gca",       "cab",        "z01"};

// The longest file name the file systems of a collection take.
constexpr std::size_t MAX_NAME_BYTES = 255;

std::vector<std::string> SplitWords(std::string_view text) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while ((start = text.find_first_not_of(" \t", start)) != std::string_view::npos) {
        const std::size_t end = std::min(text.find_first_of(" \t", start), text.size());
        words.emplace_back(text.substr(start, end - start));
        start = end;
    }
    return words;
}

// The entries a search of a folder finds: in the run's kept listing when
// there is one, else on the disk.
std::vector<platform::FoundEntry> FindIn(const platform::FolderSnapshots* snapshots,
                                         const std::string& folder, std::string_view literalName,
                                         std::string_view wildcard) {
    return snapshots ? snapshots->Find(folder, literalName, wildcard)
                     : platform::FindEntries(folder, literalName, wildcard);
}

// The archive path as the choice of extractor sees it: its last extension in
// lower case (Game.ZIP is a zip archive).
std::string FoldLastExtension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) return path;
    return path.substr(0, dot) + platform::ToLowerAscii(std::string_view(path).substr(dot));
}

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

// On Linux game.iso and GAME.bin beside each other are two files, and when
// each is a disc of its own they are two discs. Collections from Windows also
// hold Game.BIN next to game.cue, one disc whose files differ in case only.
// So the spelling decides only when at least two spellings of the
// candidate's base name each have a file that is an image on its own (not
// merely a descriptor that names another file). `entries`: the names of the
// folder that begin with `baseName`.
bool DiscsDifferOnlyInCase(const std::string& baseName,
                           const std::vector<platform::FoundEntry>& entries,
                           const std::vector<std::string>& extensions) {
    std::set<std::string> spellingsWithImage;
    for (const platform::FoundEntry& entry : entries) {
        if (entry.isFolder) continue;
        for (const std::string& extension : extensions) {
            if (extension == "cue" || extension == "ccd") continue;
            const std::string suffix = "." + extension;
            if (entry.name.size() >= baseName.size() + suffix.size() &&
                platform::EqualsIgnoreCase(
                    std::string_view(entry.name).substr(entry.name.size() - suffix.size()),
                    suffix)) {
                spellingsWithImage.insert(entry.name.substr(0, baseName.size()));
                break;
            }
        }
    }
    return spellingsWithImage.size() > 1;
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

bool SpelledAs(const std::string& name, const FileSearchBase& base) {
    return !base.exactCase || name.compare(0, base.literalName.size(), base.literalName) == 0;
}

// The checksum of the disc an image file holds. A compressed image gives the
// checksum of what it decompresses to (a CD's tracks as one BIN file holds
// them), so the same disc has the same checksum whether it is kept plain or
// compressed; it is not the checksum of the compressed file.
std::string ImageCrcText(const std::string& path) {
    std::shared_ptr<const ByteSource> file = OpenFileSource(path);
    if (!file || CompressedFormatOf(*file) == CompressedFormat::None) {
        return platform::WholeFileCrcText(path);
    }
    const std::shared_ptr<const ByteSource> image = DecompressedImage(std::move(file), path);
    if (!image) return platform::CRC_UNREADABLE;
    return platform::ReaderCrcText(
        [&image](void* into, std::size_t length, std::uint64_t offset) {
            return image->ReadAt(into, length, offset);
        },
        image->Size());
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

FileSearchBase SearchBaseOfPath(const std::string& basePath) {
    const platform::PathSplit split = platform::SplitAtLastSeparator(basePath);
    return {platform::ListableFolder(split), split.name, ""};
}

FileSearchBase SearchEveryFileIn(const std::string& folder) {
    return {folder, "", "*"};
}

std::vector<std::string> FindFilesByExtensions(const FileSearchBase& base,
                                               const std::vector<std::string>& extensions,
                                               const platform::FolderSnapshots* snapshots) {
    std::vector<std::string> wildcards;
    for (const std::string& extension : extensions) {
        wildcards.push_back(base.wildcardStem + "." + extension);
    }
    std::vector<std::string> paths;
    const auto found =
        snapshots ? snapshots->FindPerWildcard(base.folder, base.literalName, wildcards)
                  : platform::FindEntriesPerWildcard(base.folder, base.literalName, wildcards);
    for (const auto& matches : found) {
        for (const auto& entry : matches) {
            if (!entry.isFolder && SpelledAs(entry.name, base)) {
                paths.push_back(platform::JoinPath(base.folder, entry.name));
            }
        }
    }
    return paths;
}

KelFileBase::KelFileBase(const DiscHandlerParams& params, std::string_view extensionList)
    : basePath(params.basePath), snapshots(params.folderSnapshots) {
    extensions = SplitWords(extensionList);
    std::vector<std::string> candidateExtensions = extensions;
    candidateExtensions.insert(candidateExtensions.end(), ARCHIVE_EXTENSIONS.begin(),
                               ARCHIVE_EXTENSIONS.end());
    // The candidate's names, listed once for both questions asked of them.
    const platform::PathSplit split = platform::SplitAtLastSeparator(basePath);
    const std::vector<platform::FoundEntry> entries =
        FindIn(snapshots, platform::ListableFolder(split), split.name, ".*");
    exactCase = DiscsDifferOnlyInCase(split.name, entries, candidateExtensions);
    if (params.searchArchives) ExtractArchive(params, entries);
    FindImage();
    if (imageFound && params.computeChecksum) {
        std::string crc = ImageCrcText(imageFile);
        if (crc != platform::CRC_UNREADABLE) ids.push_back(std::move(crc));
    }
}

KelFileBase::~KelFileBase() = default;

FileSearchBase KelFileBase::CandidateFiles() const {
    FileSearchBase base = SearchBaseOfPath(basePath);
    base.exactCase = exactCase;
    return base;
}

void KelFileBase::ExtractArchive(const DiscHandlerParams& params,
                                 const std::vector<platform::FoundEntry>& candidateEntries) {
    const std::vector<std::string> archives =
        FindFilesByExtensions(CandidateFiles(), ARCHIVE_EXTENSIONS, snapshots);
    std::string archive = archives.empty() ? std::string() : archives.front();
    if (archive.empty()) {
        // Later volumes without their first: the extractor names the missing one.
        std::vector<std::string> names;
        for (const auto& entry : candidateEntries) {
            if (!entry.isFolder) names.push_back(entry.name);
        }
        archive = FirstVolumeOfLaterOnes(basePath, names).value_or("");
        if (archive.empty()) return;
    }
    extractDir = ExtractionFolder();
    // The choice looks at the folded name; the file is opened by its real name.
    archiver = CreateArchiver(ChooseArchiver(FoldLastExtension(archive)),
                              {archive, extractDir, params.ownerWindow, params.stopRequested});
    extracted = archiver != nullptr && archiver->Succeeded();
    interrupted = archiver != nullptr && archiver->Stopped();
}

void KelFileBase::FindImage() {
    const FileSearchBase base = extracted ? SearchEveryFileIn(extractDir) : CandidateFiles();
    const std::vector<std::string> images = FindFilesByExtensions(base, extensions, snapshots);
    if (images.empty()) return;
    imageFile = images.front();
    imageFound = true;
}

void KelFileBase::ReadBootFiles(BootIdentification identify) {
    if (!imageFound) return;
    KelCDFileSystem fileSystem(imageFile);
    imageProblem = fileSystem.Problem();
    const std::optional<std::string> id = identify(fileSystem);
    if (!id) return;
    // A boot line may end in a carriage return, and a crafted UMD_DATA.BIN
    // may hold any byte: no control character goes on to a log or a name.
    ids.push_back(platform::WithoutControlCharacters(*id));
    idFound = true;
}

const std::string& KelFileBase::IdAt(std::int32_t index) const {
    if (index < 0 || index >= IdCount()) return noId;
    return ids[std::size_t(index)];
}

std::int32_t KelFileBase::IdCount() const {
    return std::int32_t(ids.size());
}

RenamePlan KelFileBase::PlanRename(const std::string& newName) const {
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
    const FileSearchBase candidate = CandidateFiles();
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
        if (entry.isFolder || !SpelledAs(entry.name, candidate) || setFiles.count(entry.name)) {
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

int KelFileBase::MoveFile(const PlannedMove& move, bool dryRun) {
    if (dryRun) {
        const int error = WouldMoveError(move, snapshots);
        if (error == 0 && snapshots) snapshots->Moved(move.from, move.to);
        return error;
    }
    if (!platform::MovePath(move.from, move.to)) return errno != 0 ? errno : ENOENT;
    if (snapshots) snapshots->Moved(move.from, move.to);
    return 0;
}

bool KelFileBase::Rename(const RenameRequest& request) {
    lastPlan = PlanRename(request.newName);
    unmovedFiles.clear();
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
