#include "archive/KelArchiverBase.h"

#include <sys/stat.h>
#include <unistd.h>

#include "archive/ToolExtraction.h"
#include "platform/FileOps.h"

namespace {

// A refusal that no second extractor overcame: unsupported when the library
// said so, damaged otherwise.
ExtractionResult Settled(ExtractionResult refusal) {
    if (refusal.failure == ExtractionFailure::Refused) {
        refusal.failure = SaysUnsupported(refusal.detail) ? ExtractionFailure::UnsupportedMethod
                                                          : ExtractionFailure::Damaged;
    }
    return refusal;
}

}  // namespace

// Only the user may see what is extracted: a private folder of the user's
// (the one MakeExtractionFolder made) is emptied in place, so its name never
// comes free for another user to take; whatever else stood at the path
// (files of an earlier extraction, or a link someone placed there) is removed
// without following links, and a folder that cannot be made fresh is not used.
KelArchiverBase::KelArchiverBase(const ArchiveRequest& request)
    : archivePath(request.archivePath),
      extractDir(request.extractDir),
      stopRequested(request.stopRequested) {
    folderReady = MakeFolderEmpty();
}

KelArchiverBase::~KelArchiverBase() {
    if (!extractDir.empty()) platform::RemoveTree(extractDir);
}

bool KelArchiverBase::MakeFolderEmpty() {
    if (extractDir.empty()) return false;
    struct stat status;
    if (lstat(extractDir.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
        status.st_uid == geteuid() && (status.st_mode & 077) == 0) {
        return platform::EmptyFolder(extractDir);
    }
    platform::RemoveTree(extractDir);
    return platform::MakeFolder(extractDir, 0700);
}

void KelArchiverBase::ExtractArchive(const std::string& errorTitle) {
    if (!folderReady) {
        Fail(errorTitle,
             FailedExtraction(ExtractionFailure::WriteFailed,
                              extractDir.empty() ? platform::TempFolder() : extractDir));
        return;
    }
    ExtractionOptions options;
    options.stopRequested = stopRequested;
    ExtractionResult result = ExtractFlat(archivePath, extractDir, options);
    if (result.failure == ExtractionFailure::Refused) {
        result = ExtractWithSecondTool(result, options);
    }
    if (!result.Succeeded()) {
        Fail(errorTitle, Settled(result));
        return;
    }
    succeeded = true;
}

// Each tool for the format in turn, each into an emptied folder, until one
// extracts the set. A tool that finds the archive encrypted, or is stopped or
// bounded, decides; one that merely fails leaves the word to the next, and
// in the end to the library's own reason.
ExtractionResult KelArchiverBase::ExtractWithSecondTool(const ExtractionResult& refusal,
                                                        const ExtractionOptions& options) {
    for (ExtractionTool tool : SecondExtractorsFor(refusal.signature.format)) {
        if (!MakeFolderEmpty()) break;
        const std::optional<ExtractionResult> result =
            ExtractWithTool(tool, archivePath, extractDir, refusal.nameEncoding, options);
        if (!result || result->failure == ExtractionFailure::Refused) continue;
        return *result;
    }
    return refusal;
}

void KelArchiverBase::Fail(const std::string& errorTitle, const ExtractionResult& result) {
    succeeded = false;
    // Nothing half-extracted stays on the disk.
    if (folderReady) platform::RemoveTree(extractDir);
    problem = {result.failure, result.subject, errorTitle};
    // A reason without a message of its own reads as damage.
    if (result.failure == ExtractionFailure::Refused) problem.reason = ExtractionFailure::Damaged;
}
