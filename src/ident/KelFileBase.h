#pragma once

// The identification layer: the disc handlers that find a candidate's image
// (extracting archives), read its game code from the boot files, and rename
// its files; the game database and its merge.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ident/RenamePlan.h"

class KelArchiverBase;
class KelCDFileSystem;
class RenameJournal;
namespace platform {
class FolderSnapshots;
struct FoundEntry;
}  // namespace platform
class RunHost;

// What a run hands to the disc handler of one candidate.
struct DiscHandlerParams {
    std::string basePath;              // the candidate: folder + '/' + name, without extension
    std::string virtualDriveToolPath;  // passed through; no handler reads it
    std::string driveText;             // passed through; no handler reads it
    bool searchArchives = true;        // look for an archive of the candidate first
    bool computeChecksum = false;      // the image's CRC-32 becomes the first identifier
    RunHost* ownerWindow = nullptr;    // shows the extractors' failure messages; may be null
    // The run's Stop, which ends an archive extraction under way; may be null.
    const std::atomic<bool>* stopRequested = nullptr;
    // The run's listings of its folders; null reads every folder afresh.
    platform::FolderSnapshots* folderSnapshots = nullptr;
};

struct RenameRequest {
    std::string newName;  // file name without extension
    bool setFileTime = false;
    std::int64_t fileTime = 0;  // seconds since 1970-01-01 00:00 UTC
    // Where the renames are written down before they are made; may be null.
    RenameJournal* journal = nullptr;
    // Decide every move on the run's listings as if the moves before it were
    // made, and change nothing: no move, rewrite, time or journal entry. The
    // listings are changed as the moves would change them, so that the discs
    // after this one meet the names it would take.
    bool dryRun = false;
};

// A file of a renamed disc that kept its name, and why.
struct UnmovedFile {
    PlannedMove move;
    std::string reason;
};

// The text of a rename failure when the new name is taken.
inline constexpr const char* NAME_EXISTS = "name exists";

// Why a move failed (an errno value), in the words of the error log.
std::string MoveFailureText(int error);

// Where FindFilesByExtensions looks: a folder, the start of the names taken
// literally (a name may hold '*' or '?'), and the wildcard put before "." and
// each extension.
struct FileSearchBase {
    std::string folder;
    std::string literalName;
    std::string wildcardStem;
    // Names must begin with `literalName` exactly, not only ignoring case.
    bool exactCase = false;
};

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

    // What Rename would do with a new name, without doing it: every file of
    // the candidate gets the new name, keeping its extension (and a .partN
    // volume suffix); the data files a cue sheet names move with it ("<name>
    // (Track N).bin" when the sheet names several), its FILE lines and the
    // playlists beside it that name a renamed file are rewritten.
    RenamePlan PlanRename(const std::string& newName) const;

    // Carries the plan out and sets the files' times when asked. Never
    // replaces an existing file. The files of a cue sheet's set move all or
    // not at all; other files that cannot be moved are skipped (UnmovedFiles).
    // True when at least one file was moved; otherwise RenameFailure says why.
    virtual bool Rename(const RenameRequest& request);
    // Why the last Rename moved nothing ("name exists", "name too long",
    // "empty name", "permission denied", "read-only folder", ...).
    const std::string& RenameFailure() const { return renameFailure; }
    // The plan of the last Rename, as carried out (or, in a dry run, as it
    // would be): the moves made and the files whose text changed; empty after
    // a failure.
    const RenamePlan& LastPlan() const { return lastPlan; }
    // The files of the last Rename that kept their names.
    const std::vector<UnmovedFile>& UnmovedFiles() const { return unmovedFiles; }

    bool IdFound() const { return idFound; }
    // Stop ended the extraction of the candidate's archive: the candidate was
    // not looked at.
    bool Interrupted() const { return interrupted; }
    bool Extracted() const { return extracted; }
    bool ImageFound() const { return imageFound; }
    const std::string& BasePath() const { return basePath; }
    const std::string& ExtractDir() const { return extractDir; }
    const std::string& ImageFile() const { return imageFile; }
    // Why the image found could not be read, for the user (a refused
    // descriptor); empty when nothing is known.
    const std::string& ImageProblem() const { return imageProblem; }

protected:
    // `extensionList`: the system's image extensions separated by blanks, in
    // order of preference.
    KelFileBase(const DiscHandlerParams& params, std::string_view extensionList);

    // Reads the image's boot files with the system's identification, when an
    // image was found, and appends the identifier it gives.
    using BootIdentification = std::optional<std::string> (*)(KelCDFileSystem&);
    void ReadBootFiles(BootIdentification identify);

private:
    // The search for the candidate's own files.
    FileSearchBase CandidateFiles() const;
    // `candidateEntries`: the names of the candidate's folder that begin
    // with its name.
    void ExtractArchive(const DiscHandlerParams& params,
                        const std::vector<platform::FoundEntry>& candidateEntries);
    // Makes one move of a rename (or, in a dry run, decides it) and keeps the
    // listings current; 0 or the errno the move met.
    int MoveFile(const PlannedMove& move, bool dryRun);
    void FindImage();

    std::string basePath;
    std::string extractDir;
    std::vector<std::string> extensions;
    std::vector<std::string> ids;
    bool idFound = false;
    bool extracted = false;
    bool imageFound = false;
    bool interrupted = false;
    std::unique_ptr<KelArchiverBase> archiver;
    const std::string noId;
    std::string imageFile;
    std::string imageProblem;
    std::string renameFailure;
    RenamePlan lastPlan;
    std::vector<UnmovedFile> unmovedFiles;
    platform::FolderSnapshots* snapshots;
    // Files whose base names differ only in case belong to different discs
    // here: the candidate takes only the files spelled as it is.
    bool exactCase = false;
};
