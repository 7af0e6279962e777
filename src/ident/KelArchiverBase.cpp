#include "ident/KelArchiverBase.h"

#include "core/RunHost.h"
#include "ident/ArchiveExtraction.h"
#include "platform/FileOps.h"

// Only the user may see what is extracted; whatever stood at the path before
// (files of an earlier extraction, or a link someone placed there) is removed
// without following links, and a folder that cannot be made fresh is not used.
KelArchiverBase::KelArchiverBase(const ArchiveRequest& request)
    : archivePath(request.archivePath),
      extractDir(request.extractDir),
      ownerWindow(request.ownerWindow) {
    platform::RemoveTree(extractDir);
    folderReady = platform::MakeFolder(extractDir, 0700);
}

KelArchiverBase::~KelArchiverBase() {
    platform::RemoveTree(extractDir);
}

void KelArchiverBase::ExtractArchive(const std::string& errorTitle) {
    if (!folderReady) {
        Fail(errorTitle, "Cannot create the extraction folder " + extractDir + ".");
        return;
    }
    const ExtractionResult result = ExtractFlat(archivePath, extractDir);
    if (!result.succeeded) {
        Fail(errorTitle, result.message);
        return;
    }
    succeeded = true;
}

void KelArchiverBase::Fail(const std::string& errorTitle, const std::string& text) {
    succeeded = false;
    // Nothing half-extracted stays on the disk.
    if (folderReady) platform::RemoveTree(extractDir);
    if (ownerWindow != nullptr)
        ownerWindow->ShowMessage(text, MessageIcon::Information, errorTitle);
}
