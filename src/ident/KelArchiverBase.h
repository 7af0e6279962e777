#pragma once

#include <string>

class RunHost;

// What an extractor is asked to do: unpack `archivePath` into `extractDir`,
// reporting a failure in a message box of `ownerWindow` (none when null).
struct ArchiveRequest {
    std::string archivePath;
    std::string extractDir;
    RunHost* ownerWindow = nullptr;
};

// An archive extractor. Constructing one empties the extraction folder
// (created private to the user) and extracts the archive flat into it;
// `Succeeded` tells the outcome. Destroying it deletes the folder with all its
// contents, so extracted files live exactly as long as the extractor. There is
// one derived class per archive family (KelArchivers.h); the family gives the
// caption of the failure message.
class KelArchiverBase {
public:
    virtual ~KelArchiverBase();
    KelArchiverBase(const KelArchiverBase&) = delete;
    KelArchiverBase& operator=(const KelArchiverBase&) = delete;

    bool Succeeded() const { return succeeded; }

protected:
    explicit KelArchiverBase(const ArchiveRequest& request);

    // Extracts the archive into the folder; a failure empties the folder and
    // shows one message with `errorTitle` as caption.
    void ExtractArchive(const std::string& errorTitle);
    // Reports a failure without extracting anything.
    void Fail(const std::string& errorTitle, const std::string& text);

private:
    bool succeeded = false;
    bool folderReady = false;
    std::string archivePath;
    std::string extractDir;
    RunHost* ownerWindow = nullptr;
};
