#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/Failure.h"

class FileActions;
class RenameJournal;

// One folder that a renamed image proposes to rename: to the image's new name.
struct FolderRenameEntry {
    std::string oldPath;
    std::string newPath;
    std::optional<std::int64_t> releaseTime;  // nothing: leave the folder's times
};

struct FolderRenameResult {
    std::string oldPath;
    std::string newPath;
    Failure failure;  // none when the folder is renamed
};

// The folders of the renamed images, renamed after the last image of a run.
// A folder that holds several renamed discs of one game gets the name without
// the disc marker. The scan folder itself is never renamed, however it was
// typed (text, trailing '/', a link to it: the same directory is recognised).
class FolderRenameList {
public:
    FolderRenameList(std::string root, bool setTimes);

    // `basePath` is the renamed image's path without extension (only its folder
    // counts), `newName` the formula's result.
    void AddFolderEntry(const std::string& basePath, const std::string& newName,
                        std::optional<std::int64_t> releaseTime);

    // What became of each folder: renamed, or left with the reason. Renames
    // the folders on `files` (never replacing an existing one) and, when
    // asked, dates them; each rename is journalled when a journal is given.
    std::vector<FolderRenameResult> ExecuteFolderRenames(FileActions& files,
                                                         RenameJournal* journal = nullptr);

    const std::vector<FolderRenameEntry>& Entries() const { return entries; }

private:
    bool IsScanFolder(const std::string& folder) const;

    std::string root;
    bool setTimes;
    std::optional<std::pair<dev_t, ino_t>> rootIdentity;
    std::vector<FolderRenameEntry> entries;
};

// The time a folder is given for a release time: 00:00:00 local time on the
// release day, read back through the standard-time offset as the program has
// always dated folders (it differs from the release time only in summer time).
std::int64_t FolderTime(std::int64_t releaseTime);
