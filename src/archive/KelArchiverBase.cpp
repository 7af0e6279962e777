#include "archive/KelArchiverBase.h"

#include "archive/ToolExtraction.h"
#include "core/RunHost.h"
#include "platform/FileOps.h"

namespace {

struct FailureText {
    ExtractionFailure failure;
    const char* key;
    const char* english;
};

// The message of each reason: its key in the language file and the English
// text used when the language file has none. "%1" stands for what the
// message names.
constexpr FailureText FAILURE_TEXTS[] = {
    {ExtractionFailure::Encrypted, "ARCHIVE_ENCRYPTED",
     "The archive is encrypted and was skipped: %1"},
    {ExtractionFailure::Damaged, "ARCHIVE_DAMAGED",
     "The archive is damaged: %1 could not be extracted intact."},
    {ExtractionFailure::UnsupportedMethod, "ARCHIVE_UNSUPPORTED",
     "The archive uses a method this system cannot extract: %1"},
    {ExtractionFailure::MissingVolume, "ARCHIVE_VOLUME_MISSING",
     "The volume %1 of this archive is missing."},
    {ExtractionFailure::TooLarge, "ARCHIVE_TOO_LARGE",
     "Extraction stopped at %1: one archive may not expand to more than 10 GiB."},
    {ExtractionFailure::NoSpace, "ARCHIVE_NO_SPACE",
     "Not enough free space in the temporary folder to extract %1."},
    {ExtractionFailure::WriteFailed, "ARCHIVE_WRITE_FAILED",
     "Cannot write %1 in the temporary folder."},
    {ExtractionFailure::NothingExtracted, "ARCHIVE_EMPTY",
     "Nothing could be extracted from the archive %1."},
    {ExtractionFailure::Unreadable, "ARCHIVE_UNREADABLE", "The archive %1 could not be read."},
};

// GCA archives have a reason of their own.
constexpr FailureText GCA_TEXT = {ExtractionFailure::UnsupportedMethod, "ARCHIVE_GCA",
                                  "GCA archives are not supported on this system."};

std::string MessageText(RunHost& host, const char* key, const char* fallback,
                        const std::string& subject) {
    std::string message = host.LanguageText("MessageBox", key);
    if (message.empty()) message = fallback;
    const std::size_t placeholder = message.find("%1");
    if (placeholder != std::string::npos) {
        message.replace(placeholder, 2, subject);
    } else if (!subject.empty()) {
        message += " " + subject;
    }
    return message;
}

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

// Only the user may see what is extracted; whatever stood at the path before
// (files of an earlier extraction, or a link someone placed there) is removed
// without following links, and a folder that cannot be made fresh is not used.
KelArchiverBase::KelArchiverBase(const ArchiveRequest& request)
    : archivePath(request.archivePath),
      extractDir(request.extractDir),
      ownerWindow(request.ownerWindow),
      stopRequested(request.stopRequested) {
    folderReady = MakeFolderEmpty();
}

KelArchiverBase::~KelArchiverBase() {
    platform::RemoveTree(extractDir);
}

bool KelArchiverBase::MakeFolderEmpty() {
    platform::RemoveTree(extractDir);
    return platform::MakeFolder(extractDir, 0700);
}

void KelArchiverBase::ExtractArchive(const std::string& errorTitle) {
    if (!folderReady) {
        Fail(errorTitle, FailedExtraction(ExtractionFailure::WriteFailed, extractDir));
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
    // The user pressed Stop: nothing to report.
    if (result.failure == ExtractionFailure::Stopped) {
        stopped = true;
        Report(errorTitle, nullptr, nullptr, {});
        return;
    }
    const FailureText* text = &FAILURE_TEXTS[1];  // damaged, for a reason without a text
    for (const FailureText& candidate : FAILURE_TEXTS) {
        if (candidate.failure == result.failure) text = &candidate;
    }
    Report(errorTitle, text->key, text->english, result.subject);
}

void KelArchiverBase::FailNoReader(const std::string& errorTitle) {
    Report(errorTitle, GCA_TEXT.key, GCA_TEXT.english, {});
}

void KelArchiverBase::Report(const std::string& errorTitle, const char* key, const char* fallback,
                             const std::string& subject) {
    succeeded = false;
    // Nothing half-extracted stays on the disk.
    if (folderReady) platform::RemoveTree(extractDir);
    if (ownerWindow == nullptr || key == nullptr) return;
    ownerWindow->ShowMessage(MessageText(*ownerWindow, key, fallback, subject),
                             MessageIcon::Information, errorTitle);
}
