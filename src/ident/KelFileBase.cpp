#include "ident/KelFileBase.h"

#include <unistd.h>

#include <algorithm>

#include "ident/ArchiveVolumes.h"
#include "ident/KelArchivers.h"
#include "image/CompressedImages.h"
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

// Searched before the image, in this order.
const std::vector<std::string> ARCHIVE_EXTENSIONS = {
    "zip", "rar", "part1.rar", "part01.rar", "part001.rar", "001", "7z", "lzh", "gca", "cab"};

// A cue sheet is a few lines of text; a larger file of that name is something
// else and is left alone.
constexpr std::size_t MAX_CUE_SHEET = 1 << 20;

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

// The private extraction folder of this process.
std::string ExtractionFolder() {
    return platform::TempFolder() + "Kelvane-" + std::to_string(getpid());
}

// The archive path as the choice of extractor sees it: its last extension in
// lower case (Game.ZIP is a zip archive).
std::string FoldLastExtension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) return path;
    return path.substr(0, dot) + platform::ToLowerAscii(std::string_view(path).substr(dot));
}

// The name a file of the candidate gets: the new name, its volume suffix if
// it has one, and its last extension (Game.part01.rar -> New.part01.rar,
// Game.bin.bak -> New.bak).
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
            if (!entry.isFolder) paths.push_back(platform::JoinPath(base.folder, entry.name));
        }
    }
    return paths;
}

KelFileBase::KelFileBase(const DiscHandlerParams& params, std::string_view extensionList)
    : basePath(params.basePath), snapshots(params.folderSnapshots) {
    if (params.searchArchives) ExtractArchive(params.ownerWindow);
    extensions = SplitWords(extensionList);
    FindImage();
    if (imageFound && params.computeChecksum) {
        std::string crc = ImageCrcText(imageFile);
        if (crc != platform::CRC_UNREADABLE) ids.push_back(std::move(crc));
    }
}

KelFileBase::~KelFileBase() = default;

void KelFileBase::ExtractArchive(RunHost* ownerWindow) {
    const std::vector<std::string> archives =
        FindFilesByExtensions(SearchBaseOfPath(basePath), ARCHIVE_EXTENSIONS, snapshots);
    if (archives.empty()) return;
    extractDir = ExtractionFolder();
    // The choice looks at the folded name; the file is opened by its real name.
    const std::string& archive = archives.front();
    archiver = CreateArchiver(ChooseArchiver(FoldLastExtension(archive)),
                              {archive, extractDir, ownerWindow});
    extracted = archiver != nullptr && archiver->Succeeded();
}

void KelFileBase::FindImage() {
    const FileSearchBase base =
        extracted ? SearchEveryFileIn(extractDir) : SearchBaseOfPath(basePath);
    const std::vector<std::string> images = FindFilesByExtensions(base, extensions, snapshots);
    if (images.empty()) return;
    imageFile = images.front();
    imageFound = true;
}

void KelFileBase::ReadBootFiles(BootIdentification identify) {
    if (!imageFound) return;
    KelCDFileSystem fileSystem(imageFile);
    imageProblem = fileSystem.Problem();
    std::optional<std::string> id = identify(fileSystem);
    if (!id) return;
    ids.push_back(std::move(*id));
    idFound = true;
}

const std::string& KelFileBase::IdAt(std::int32_t index) const {
    if (index < 0 || index >= IdCount()) return noId;
    return ids[std::size_t(index)];
}

std::int32_t KelFileBase::IdCount() const {
    return std::int32_t(ids.size());
}

bool KelFileBase::Rename(const RenameRequest& request) {
    // A name holding '/' would move the files elsewhere; such a name moves nothing.
    if (!platform::IsPlainName(request.newName)) return false;

    const platform::PathSplit split = platform::SplitAtLastSeparator(basePath);
    const std::string folder = platform::ListableFolder(split);
    const std::vector<std::string> cues =
        FindFilesByExtensions(SearchBaseOfPath(basePath), {"cue"}, snapshots);

    std::vector<std::string> names;
    const auto entries = snapshots ? snapshots->Find(folder, split.name, ".*")
                                   : platform::FindEntries(folder, split.name, ".*");
    for (const auto& entry : entries) {
        if (!entry.isFolder) names.push_back(entry.name);
    }

    // Where each file is now, and the names the moves gave.
    std::vector<std::string> currentPaths;
    std::vector<std::string> movedNames;
    std::string cuePath = cues.empty() ? std::string() : cues.front();
    for (const std::string& name : names) {
        const std::string oldPath = platform::JoinPath(folder, name);
        const std::string newFileName = RenamedFile(name, request.newName);
        const std::string newPath = platform::JoinPath(folder, newFileName);
        if (platform::MovePath(oldPath, newPath)) {
            if (snapshots) snapshots->Moved(oldPath, newPath);
            movedNames.push_back(newFileName);
            currentPaths.push_back(newPath);
            if (oldPath == cuePath) cuePath = newPath;
        } else {
            currentPaths.push_back(oldPath);
        }
    }
    basePath = platform::JoinPath(folder, request.newName);

    if (!cuePath.empty() && !movedNames.empty()) {
        FixCueSheet(cuePath, request.newName, movedNames);
    }
    // Last, so that the rewritten cue sheet gets the time as well.
    if (request.setFileTime) {
        for (const std::string& path : currentPaths) platform::SetFileTimes(path, request.fileTime);
    }
    return !movedNames.empty();
}

// The first line of a cue sheet names the image: FILE "Game.bin" BINARY. The
// name between the first double quote and the last dot becomes the new name.
// The sheet changes only when that makes it name a file this rename has just
// produced: a sheet whose image could not be moved (its new name was taken)
// keeps naming the image it belongs to.
void KelFileBase::FixCueSheet(const std::string& cuePath, const std::string& newName,
                              const std::vector<std::string>& movedNames) const {
    const platform::SmallFile sheet = platform::ReadSmallFile(cuePath, MAX_CUE_SHEET);
    if (!sheet.IsRead()) return;
    std::vector<std::string> lines = platform::SplitTextLines(sheet.text);
    if (lines.empty()) return;

    const std::string& first = lines.front();
    const std::size_t quote = first.find('"');
    const std::size_t dot = first.rfind('.');
    // Without a double quote the name cannot be told from the words around it.
    if (quote == std::string::npos || dot == std::string::npos) return;
    const std::string rest = first.substr(dot);
    const std::string named = newName + rest.substr(0, rest.find('"'));
    bool namesMovedFile = false;
    for (const std::string& moved : movedNames) {
        namesMovedFile = namesMovedFile || platform::EqualsIgnoreCase(moved, named);
    }
    if (!namesMovedFile) return;

    lines.front() = first.substr(0, quote + 1) + newName + rest;
    std::string rewritten;
    for (const std::string& line : lines) rewritten += line + "\r\n";
    if (rewritten != sheet.text) platform::ReplaceFileContent(cuePath, rewritten);
}
