#pragma once

// The identification layer: the disc handlers that find a candidate's files,
// extract its archive, pick its image and read its game code from the boot
// files. Renaming the files is the rename layer's work (rename/).

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/FileOps.h"

class CueSheet;
struct CueFile;
class KelArchiverBase;
struct ArchiveProblem;
class KelCDFileSystem;
namespace platform {
class FolderSnapshots;
struct FoundEntry;
}  // namespace platform

// What reading an image's boot files gave, with the files the reading took
// its bytes from, each with its state from before it was read: it stands
// for another reading of the same image while every one of them keeps its
// state.
struct BootFilesReading {
    std::string imageFile;
    std::vector<std::pair<std::string, platform::FileState>> files;
    std::optional<std::string> id;  // as the system's identification gave it
    std::string problem;            // why the image could not be read, if known

    // Every file it read is as it was.
    bool Current() const;
};

// What a run hands to the disc handler of one candidate.
struct DiscHandlerParams {
    std::string basePath;              // the candidate: folder + '/' + name, without extension
    std::string virtualDriveToolPath;  // passed through; no handler reads it
    std::string driveText;             // passed through; no handler reads it
    bool searchArchives = true;        // look for an archive of the candidate first
    bool computeChecksum = false;      // the image's CRC-32 becomes the first identifier
    // The run's Stop, which ends an archive extraction under way; may be null.
    const std::atomic<bool>* stopRequested = nullptr;
    // The run's listings of its folders; null reads every folder afresh.
    platform::FolderSnapshots* folderSnapshots = nullptr;
    // Identifies only to read what identification reads, ahead of the disc's
    // turn: an archive is not extracted (the candidate is left at that) and
    // no checksum is computed.
    bool lookAhead = false;
    // The image's checksum text when it was computed before the disc's turn
    // (nothing when it was not, or the file changed since); null computes
    // every checksum here.
    std::function<std::optional<std::string>(const std::string& imageFile)> checksumAhead;
    // The reading of the image's boot files when it was made before the
    // disc's turn and still stands (see BootFilesReading); null reads them
    // here.
    std::function<std::optional<BootFilesReading>(const std::string& imageFile)> bootFilesAhead;
};

// The checksum of the disc an image file holds (CRC_UNREADABLE when it cannot
// be read). A compressed image gives the checksum of what it decompresses to
// (a CD's tracks as one BIN file holds them), so the same disc has the same
// checksum whether it is kept plain or compressed. `cancelled`, when given,
// is asked between blocks and ends the reading early (CRC_UNREADABLE).
std::string ImageChecksumText(const std::string& imageFile,
                              const std::function<bool()>& cancelled = nullptr);

// Where FindFilesByExtensions looks: a folder, the start of the names taken
// literally (a name may hold '*' or '?'), and the wildcard put before "." and
// each extension.
struct FileSearchBase {
    std::string folder;
    std::string literalName;
    std::string wildcardStem;
    // Names must begin with `literalName` exactly, not only ignoring case.
    bool exactCase = false;

    // Whether a name the wildcard search found is spelled as the search asks.
    bool Spells(const std::string& name) const;
};

// The entries a search of a folder finds: in the run's kept listing when
// there is one, else on the disk.
std::vector<platform::FoundEntry> FindIn(const platform::FolderSnapshots* snapshots,
                                         const std::string& folder, std::string_view literalName,
                                         std::string_view wildcard);

// Where the data file of a cue sheet's FILE command is, as the reader of the
// image finds it (beside the sheet or in a folder the sheet names): the
// first place that holds a file other than the sheet itself.
std::optional<std::string> FindCueDataFile(const CueFile& file, const std::string& sheetPath,
                                           const platform::FolderSnapshots* snapshots);

// The files of a candidate: Dir/Game gives Dir/Game.<extension>.
FileSearchBase SearchBaseOfPath(const std::string& basePath);
// Every file of a folder: Dir gives Dir/*.<extension>.
FileSearchBase SearchEveryFileIn(const std::string& folder);

// For each extension in order, the full paths of the files (not folders) that
// match, in listing order; extensions match ignoring ASCII case.
// Searches the run's kept listing of the folder when `snapshots` has one.
std::vector<std::string> FindFilesByExtensions(
    const FileSearchBase& base, const std::vector<std::string>& extensions,
    const platform::FolderSnapshots* snapshots = nullptr);

// The disc handler of one candidate. Its constructor finds the candidate's
// files, extracts its archive if it has one, picks the image file and
// collects the identifiers under which the game is to be looked up, in order.
// One derived class per system adds the reading of that system's boot files.
// Extracted files live as long as the handler.
class KelFileBase {
public:
    virtual ~KelFileBase();
    KelFileBase(const KelFileBase&) = delete;
    KelFileBase& operator=(const KelFileBase&) = delete;

    // The identifier at `index`, or an empty text for an index out of range.
    virtual const std::string& IdAt(std::int32_t index) const;
    virtual std::int32_t IdCount() const;

    bool IdFound() const { return idFound; }
    // Stop ended the extraction of the candidate's archive: the candidate was
    // not looked at.
    bool Interrupted() const { return interrupted; }
    bool Extracted() const { return extracted; }
    // Why the candidate's archive could not be extracted; no reason when it
    // was, or when it has none.
    const ArchiveProblem& ArchiveFailure() const;
    bool ImageFound() const { return imageFound; }
    const std::string& BasePath() const { return basePath; }
    const std::string& ExtractDir() const { return extractDir; }
    // The candidate's archive (its first volume), or empty when it has none.
    const std::string& ArchiveFile() const { return archiveFile; }
    const std::string& ImageFile() const { return imageFile; }
    // Why the image found could not be read, for the user (a refused
    // descriptor, a damaged hunk of a compressed image); empty when nothing
    // is known.
    const std::string& ImageProblem() const { return imageProblem; }
    // The search for the candidate's own files.
    FileSearchBase CandidateFiles() const;
    // The full paths of the candidate's own files (Dir/Game.*, spelled as the
    // candidate is), in listing order.
    std::vector<std::string> OwnFiles() const;
    // The candidate's cue sheet (the first of its .cue files); empty when it
    // has none. Read once: the image reader and the rename take the same
    // reading of it.
    const std::string& SheetPath() const { return sheetPath; }
    // Its reading; null without a sheet, or when it could not be read.
    const CueSheet* Sheet() const { return sheet.get(); }
    // The run's listings of its folders; null when every folder is read afresh.
    platform::FolderSnapshots* FolderListings() const { return snapshots; }
    // Of a look ahead, the reading of the image's boot files, for the disc's
    // turn to take over; nothing when there was none, or it cannot tell which
    // files it rests on (it searched a folder, or read a cue sheet given to
    // it).
    const std::optional<BootFilesReading>& BootReading() const { return bootReading; }

protected:
    // `extensionList`: the system's image extensions separated by blanks, in
    // order of preference.
    KelFileBase(const DiscHandlerParams& params, std::string_view extensionList);

    // Reads the image's boot files with the system's identification, when an
    // image was found, and appends the identifier it gives.
    using BootIdentification = std::optional<std::string> (*)(KelCDFileSystem&);
    void ReadBootFiles(BootIdentification identify);

private:
    // `candidateEntries`: the names of the candidate's folder that begin
    // with its name.
    void ExtractArchive(const DiscHandlerParams& params,
                        const std::vector<platform::FoundEntry>& candidateEntries);
    void FindImage();
    void ReadSheet();

    std::string basePath;
    std::string extractDir;
    std::string archiveFile;
    std::vector<std::string> extensions;
    std::vector<std::string> ids;
    bool idFound = false;
    bool extracted = false;
    bool imageFound = false;
    bool interrupted = false;
    bool archiveLeft = false;  // a look ahead found an archive and left it
    std::unique_ptr<KelArchiverBase> archiver;
    const std::string noId;
    std::string imageFile;
    std::string imageProblem;
    std::string sheetPath;
    std::shared_ptr<const CueSheet> sheet;
    platform::FolderSnapshots* snapshots;
    const bool lookAhead;
    const std::function<std::optional<BootFilesReading>(const std::string& imageFile)>
        bootFilesAhead;
    std::optional<BootFilesReading> bootReading;
    // Files whose base names differ only in case belong to different discs
    // here: the candidate takes only the files spelled as it is.
    bool exactCase = false;
};
