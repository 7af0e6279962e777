#pragma once

#include <atomic>
#include <string>

#include "archive/ArchiveExtraction.h"

class RunHost;

// What an extractor is asked to do: unpack `archivePath` into `extractDir`,
// reporting a failure in a message box of `ownerWindow` (none when null).
// `stopRequested` is the run's Stop, which ends an extraction under way.
struct ArchiveRequest {
    std::string archivePath;
    std::string extractDir;
    RunHost* ownerWindow = nullptr;
    const std::atomic<bool>* stopRequested = nullptr;
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
// (ToolExtraction.h). A failure shows one message in the user's language
// that says why: encrypted, damaged (naming the entry), unsupported method
// (naming it), missing volume (naming it), too large, no space.
class KelArchiverBase {
public:
    virtual ~KelArchiverBase();
    KelArchiverBase(const KelArchiverBase&) = delete;
    KelArchiverBase& operator=(const KelArchiverBase&) = delete;

    bool Succeeded() const { return succeeded; }
    // Stop ended the extraction before it was done.
    bool Stopped() const { return stopped; }

protected:
    explicit KelArchiverBase(const ArchiveRequest& request);

    // Extracts the archive into the folder; a failure empties the folder and
    // shows one message with `errorTitle` as caption.
    void ExtractArchive(const std::string& errorTitle);
    // Reports a failure.
    void Fail(const std::string& errorTitle, const ExtractionResult& result);
    // Reports that no reader exists for the family (GCA).
    void FailNoReader(const std::string& errorTitle);

private:
    // Empties the folder and shows the message of language key `key` (the
    // English `fallback` when the language has none) naming `subject`.
    void Report(const std::string& errorTitle, const char* key, const char* fallback,
                const std::string& subject);
    ExtractionResult ExtractWithSecondTool(const ExtractionResult& refusal,
                                           const ExtractionOptions& options);
    bool MakeFolderEmpty();

    bool succeeded = false;
    bool stopped = false;
    bool folderReady = false;
    std::string archivePath;
    std::string extractDir;
    RunHost* ownerWindow = nullptr;
    const std::atomic<bool>* stopRequested = nullptr;
};
