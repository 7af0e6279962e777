#pragma once

#include <atomic>
#include <string>

#include "archive/ArchiveExtraction.h"

// What an extractor is asked to do: unpack `archivePath` into `extractDir`
// (a private folder from MakeExtractionFolder, or a path where one is made).
// `stopRequested` is the run's Stop, which ends an extraction under way.
struct ArchiveRequest {
    std::string archivePath;
    std::string extractDir;
    const std::atomic<bool>* stopRequested = nullptr;
};

// Why an extraction failed, for the run to tell the user: the reason, what
// it names, and the caption of the family's message. No reason after a
// success; Stopped after the run's Stop.
struct ArchiveProblem {
    ExtractionFailure reason = ExtractionFailure::None;
    std::string subject;
    std::string caption;
};

// An archive extractor. Constructing one empties the extraction folder
// (created private to the user) and extracts the archive flat into it;
// `Succeeded` tells the outcome. Destroying it deletes the folder with all its
// contents, so extracted files live exactly as long as the extractor. There is
// one derived class per archive family (KelArchivers.h); the family gives the
// caption of the failure message.
//
// The library extracts first. Where it refuses an archive for its format or
// method, an archiver installed on the system extracts the same set
// (ToolExtraction.h). A failure says why (Problem): encrypted, damaged
// (naming the entry), unsupported method (naming it), missing volume
// (naming it), too large, no space.
class KelArchiverBase {
public:
    virtual ~KelArchiverBase();
    KelArchiverBase(const KelArchiverBase&) = delete;
    KelArchiverBase& operator=(const KelArchiverBase&) = delete;

    bool Succeeded() const { return succeeded; }
    // Stop ended the extraction before it was done.
    bool Stopped() const { return problem.reason == ExtractionFailure::Stopped; }
    const ArchiveProblem& Problem() const { return problem; }

protected:
    explicit KelArchiverBase(const ArchiveRequest& request);

    // Extracts the archive into the folder; a failure empties the folder and
    // is kept with `errorTitle` as the caption of its message.
    void ExtractArchive(const std::string& errorTitle);
    // Keeps a failure, leaving nothing half-extracted.
    void Fail(const std::string& errorTitle, const ExtractionResult& result);

private:
    ExtractionResult ExtractWithSecondTool(const ExtractionResult& refusal,
                                           const ExtractionOptions& options);
    bool MakeFolderEmpty();

    bool succeeded = false;
    bool folderReady = false;
    std::string archivePath;
    std::string extractDir;
    const std::atomic<bool>* stopRequested = nullptr;
    ArchiveProblem problem;
};
