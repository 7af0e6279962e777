#pragma once

#include <string>

// Extraction of one archive (zip, rar, 7z, lzh or cab, recognised by its
// bytes, not by its name) into one folder, flat: every regular file lands
// directly in the folder under the last component of its name; folders,
// links, devices and names that are empty, "." or ".." are skipped. Nothing is
// ever written outside the folder, and a later file of the same name replaces
// an earlier one. Data is streamed block by block, so memory stays small for
// any image size.
struct ExtractionResult {
    bool succeeded = false;
    std::string message;  // why it failed, readable by the user
};

// `archivePath` is the archive or the first volume of a set; the following
// volumes are found beside it (ArchiveVolumes.h). `folder` must exist.
ExtractionResult ExtractFlat(const std::string& archivePath, const std::string& folder);
