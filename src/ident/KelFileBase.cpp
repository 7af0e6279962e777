#include "ident/KelFileBase.h"

#include <algorithm>
#include <set>

#include "archive/ArchiveVolumes.h"
#include "archive/ExtractionFolder.h"
#include "archive/KelArchivers.h"
#include "image/CompressedImages.h"
#include "image/CueSheet.h"
#include "image/DescriptorFiles.h"
#include "image/DescriptorText.h"
#include "image/ImageFiles.h"
#include "image/KelCDFileSystem.h"
#include "platform/AsciiCase.h"
#include "platform/Crc32.h"
#include "platform/FileOps.h"
#include "platform/FileSearch.h"
#include "platform/FolderSnapshots.h"
#include "platform/PathText.h"
#include "platform/ReadOnlyFile.h"

namespace {

// Searched before the image, in this order. "z01" finds a spanned zip whose
// last volume (the .zip) is missing, so that the extractor can name it.
const std::vector<std::string> ARCHIVE_EXTENSIONS = {
    "zip", "rar", "part1.rar", "part01.rar", "part001.rar", "001",
    "7z",  "lzh", "gca",       "cab",        "z01"};

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

}  // namespace

std::vector<platform::FoundEntry> FindIn(const platform::FolderSnapshots* snapshots,
                                         const std::string& folder, std::string_view literalName,
                                         std::string_view wildcard) {
    return snapshots ? snapshots->Find(folder, literalName, wildcard)
                     : platform::FindEntries(folder, literalName, wildcard);
}

namespace {

// The archive path as the choice of extractor sees it: its last extension in
// lower case (Game.ZIP is a zip archive).
std::string FoldLastExtension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) return path;
    return path.substr(0, dot) + platform::ToLowerAscii(std::string_view(path).substr(dot));
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

}  // namespace

std::string ImageChecksumText(const std::string& imageFile,
                              const std::function<bool()>& cancelled) {
    std::shared_ptr<const ByteSource> file = OpenFileSource(imageFile);
    if (!file || CompressedFormatOf(*file) == CompressedFormat::None) {
        return platform::WholeFileCrcText(imageFile, cancelled);
    }
    const std::shared_ptr<const ByteSource> image = DecompressedImage(std::move(file), imageFile);
    if (!image) return platform::CRC_UNREADABLE;
    return platform::ReaderCrcText(
        [&image, &cancelled](void* into, std::size_t length, std::uint64_t offset) {
            if (cancelled && cancelled()) return std::optional<std::size_t>();
            return image->ReadAt(into, length, offset);
        },
        image->Size());
}

std::optional<std::string> FindCueDataFile(const CueFile& file, const std::string& sheetPath,
                                           const platform::FolderSnapshots* snapshots) {
    for (const CueDataFilePlace& place : CueDataFilePlaces(file.name, sheetPath)) {
        std::optional<std::string> ignoringCase;
        for (const platform::FoundEntry& entry : FindIn(snapshots, place.folder, place.name, "")) {
            const std::string path = platform::JoinPath(place.folder, entry.name);
            if (entry.isFolder || path == sheetPath) continue;
            if (entry.name == place.name) return path;
            if (place.ignoringCase && !ignoringCase) ignoringCase = path;
        }
        if (ignoringCase) return ignoringCase;
    }
    return std::nullopt;
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
            if (!entry.isFolder && base.Spells(entry.name)) {
                paths.push_back(platform::JoinPath(base.folder, entry.name));
            }
        }
    }
    return paths;
}

bool BootFilesReading::Current() const {
    return std::all_of(files.begin(), files.end(), [](const auto& file) {
        return platform::StateOf(file.first) == file.second;
    });
}

KelFileBase::KelFileBase(const DiscHandlerParams& params, std::string_view extensionList)
    : basePath(params.basePath),
      snapshots(params.folderSnapshots),
      lookAhead(params.lookAhead),
      bootFilesAhead(params.bootFilesAhead) {
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
    // What an archive holds is read when it is extracted, in the disc's turn.
    if (archiveLeft) return;
    ReadSheet();
    FindImage();
    if (imageFound && params.computeChecksum && !params.lookAhead) {
        std::optional<std::string> crc;
        if (params.checksumAhead) crc = params.checksumAhead(imageFile);
        if (!crc) crc = ImageChecksumText(imageFile);
        if (*crc != platform::CRC_UNREADABLE) ids.push_back(std::move(*crc));
    }
}

KelFileBase::~KelFileBase() = default;

FileSearchBase KelFileBase::CandidateFiles() const {
    FileSearchBase base = SearchBaseOfPath(basePath);
    base.exactCase = exactCase;
    return base;
}

std::vector<std::string> KelFileBase::OwnFiles() const {
    const platform::PathSplit split = platform::SplitAtLastSeparator(basePath);
    const std::string folder = platform::ListableFolder(split);
    const FileSearchBase candidate = CandidateFiles();
    std::vector<std::string> paths;
    for (const platform::FoundEntry& entry : FindIn(snapshots, folder, split.name, ".*")) {
        if (!entry.isFolder && candidate.Spells(entry.name)) {
            paths.push_back(platform::JoinPath(folder, entry.name));
        }
    }
    return paths;
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
    archiveFile = archive;
    // The choice looks at the folded name; the file is opened by its real name.
    const ArchiverKind kind = ChooseArchiver(FoldLastExtension(archive));
    if (kind == ArchiverKind::None) return;
    if (params.lookAhead) {
        archiveLeft = true;
        return;
    }
    extractDir = MakeExtractionFolder();
    archiver = CreateArchiver(kind, {archive, extractDir, params.stopRequested});
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

void KelFileBase::ReadSheet() {
    const std::vector<std::string> sheets =
        FindFilesByExtensions(CandidateFiles(), {"cue"}, snapshots);
    if (sheets.empty()) return;
    sheetPath = sheets.front();
    platform::SmallFile text = platform::ReadSmallFile(sheetPath, MAX_DESCRIPTOR_BYTES);
    if (text.IsRead()) sheet = std::make_shared<const CueSheet>(std::move(text.text));
}

void KelFileBase::ReadBootFiles(BootIdentification identify) {
    if (!imageFound) return;
    std::optional<BootFilesReading> reading;
    if (bootFilesAhead) reading = bootFilesAhead(imageFile);
    if (!reading) {
        const CueSheet* const given = imageFile == sheetPath ? sheet.get() : nullptr;
        // Only a look ahead has someone to hand its reading to: the disc's
        // turn opens its files without noting their states.
        const NotedDiskFiles noted;
        KelCDFileSystem fileSystem(imageFile, lookAhead ? noted : DiskFiles(), given);
        reading = BootFilesReading{imageFile, {}, identify(fileSystem), {}};
        // Asked after the boot files were read: a damaged block shows only then.
        reading->problem = fileSystem.Problem();
        // The sheet given was read before, and not through `noted`.
        if (lookAhead && given == nullptr) {
            if (auto files = noted.Noted()) {
                reading->files = std::move(*files);
                bootReading = reading;
            }
        }
    }
    imageProblem = reading->problem;
    if (!reading->id) return;
    // A boot line may end in a carriage return, and a crafted UMD_DATA.BIN
    // may hold any byte: no control character goes on to a log or a name.
    ids.push_back(platform::WithoutControlCharacters(*reading->id));
    idFound = true;
}

const ArchiveProblem& KelFileBase::ArchiveFailure() const {
    static const ArchiveProblem none;
    return archiver ? archiver->Problem() : none;
}

const std::string& KelFileBase::IdAt(std::int32_t index) const {
    if (index < 0 || index >= IdCount()) return noId;
    return ids[std::size_t(index)];
}

std::int32_t KelFileBase::IdCount() const {
    return std::int32_t(ids.size());
}

bool FileSearchBase::Spells(const std::string& name) const {
    return !exactCase || name.compare(0, literalName.size(), literalName) == 0;
}
