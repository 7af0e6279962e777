#include "run/FolderPass.h"

#include <sys/stat.h>

#include <ctime>
#include <map>

#include "naming/RenamingFormula.h"
#include "platform/FileOps.h"
#include "platform/PathText.h"
#include "rename/FileActions.h"
#include "rename/RenameJournal.h"
#include "rename/RenameTransaction.h"

namespace {

std::optional<std::pair<dev_t, ino_t>> IdentityOf(const std::string& path) {
    struct stat status;
    if (stat(path.c_str(), &status) != 0) return std::nullopt;
    return std::make_pair(status.st_dev, status.st_ino);
}

}  // namespace

FolderRenameList::FolderRenameList(std::string root, bool setTimes)
    : root(std::move(root)), setTimes(setTimes), rootIdentity(IdentityOf(this->root)) {}

bool FolderRenameList::IsScanFolder(const std::string& folder) const {
    if (folder == root) return true;
    return rootIdentity && IdentityOf(folder) == rootIdentity;
}

void FolderRenameList::AddFolderEntry(const std::string& basePath, const std::string& newName,
                                      std::optional<std::int64_t> releaseTime) {
    const platform::PathSplit image = platform::SplitAtLastSeparator(basePath);
    if (!image.hasSeparator || IsScanFolder(image.folder)) return;
    // A name holding '/' would move the folder somewhere else.
    if (!platform::IsPlainName(newName)) return;
    const platform::PathSplit folder = platform::SplitAtLastSeparator(image.folder);
    const std::string newPath = folder.hasSeparator ? folder.folder + "/" + newName : newName;
    entries.push_back({image.folder, newPath, releaseTime});
}

std::vector<FolderRenameResult> FolderRenameList::ExecuteFolderRenames(FileActions& files,
                                                                       RenameJournal* journal) {
    std::map<std::string, int> discsPerFolder;
    for (const FolderRenameEntry& entry : entries) ++discsPerFolder[entry.oldPath];

    std::vector<FolderRenameEntry> folders;
    for (const FolderRenameEntry& entry : entries) {
        if (!folders.empty() && folders.back().oldPath == entry.oldPath) continue;
        folders.push_back(entry);
    }
    for (FolderRenameEntry& folder : folders) {
        if (discsPerFolder[folder.oldPath] < 2) continue;
        // Only the new name loses its disc marker; the folders above it stay.
        const platform::PathSplit path = platform::SplitAtLastSeparator(folder.newPath);
        const std::string name = StripDiscMarker(path.name);
        folder.newPath = path.hasSeparator ? path.folder + "/" + name : name;
    }

    std::vector<FolderRenameResult> results;
    std::vector<bool> moved(folders.size(), false);
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const FolderRenameEntry& folder = folders[i];
        if (IsScanFolder(folder.oldPath)) continue;
        Failure failure;
        if (folder.oldPath != folder.newPath) {
            JournalEntry entry;
            entry.kind = JournalEntry::Kind::Folder;
            entry.subject = folder.oldPath;
            entry.plan.moves.push_back({folder.oldPath, folder.newPath});
            if (journal) failure = journal->Write(entry);
            if (!failure) {
                RenameTransaction transaction(files, entry.plan);
                failure = transaction.Apply();
                if (journal) {
                    static_cast<void>(journal->Mark(
                        entry, failure ? JournalEntry::State::Undone : JournalEntry::State::Done));
                }
            }
            moved[i] = !failure;
        }
        results.push_back({folder.oldPath, folder.newPath, std::move(failure)});
    }
    // Dated after all renames, so no later rename touches a dated folder. A
    // folder that was not renamed is not dated: newPath may name another one.
    if (!setTimes) return results;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (moved[i] && folders[i].releaseTime) {
            files.SetTimes(folders[i].newPath, FolderTime(*folders[i].releaseTime));
        }
    }
    return results;
}

std::int64_t FolderTime(std::int64_t releaseTime) {
    tzset();
    const std::time_t shifted = std::time_t(releaseTime + timezone);
    std::tm local{};
    if (localtime_r(&shifted, &local) == nullptr) return releaseTime;
    return std::int64_t(timegm(&local));
}
