#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "archive/ArchiveFormat.h"
#include "archive/ArchiveNames.h"

// Extraction of one archive (zip, rar, 7z, lzh or cab, recognised by its
// bytes, not by its name) into one folder, flat: every regular file lands
// directly in the folder under the last component of its name; folders,
// links, devices and names that are empty, "." or ".." are skipped. Nothing is
// ever written outside the folder, and a later file of the same name replaces
// an earlier one. Data is streamed block by block, so memory stays small for
// any image size.

// The most one archive may write: a dual-layer DVD image holds 8.5 GB, so no
// archive of a disc needs more, while a small archive that expands without
// end ("bomb") is stopped long before it fills the disk.
inline constexpr std::uint64_t MAX_EXTRACTED_BYTES = std::uint64_t(10) << 30;

struct ExtractionOptions {
    std::uint64_t maxBytes = MAX_EXTRACTED_BYTES;
    // The run's Stop: extraction ends as soon as it is set. May be null.
    const std::atomic<bool>* stopRequested = nullptr;

    bool StopRequested() const { return stopRequested != nullptr && stopRequested->load(); }
};

// Why an extraction failed. Each reason has its own message for the user.
enum class ExtractionFailure {
    None,
    Encrypted,          // subject: the entry or archive that needs a password
    Damaged,            // subject: the entry whose data does not hold, or the archive
    UnsupportedMethod,  // subject: the compression method or format
    MissingVolume,      // subject: the name of the missing volume
    TooLarge,           // subject: the entry at which the bound was passed
    NoSpace,            // subject: the entry that does not fit
    WriteFailed,        // subject: the entry that could not be written
    NothingExtracted,   // subject: the archive
    Unreadable,         // subject: the archive (no archive, cannot be opened)
    Stopped,            // the run's Stop; no message
    NoReader,           // no reader for the family exists here (GCA)
    // The library refused the archive or an entry for its format or method,
    // or for damage it cannot tell from that: the second extractor decides.
    // subject: the method when known, else the entry or the archive.
    Refused,
};

struct ExtractionResult {
    ExtractionFailure failure = ExtractionFailure::None;
    std::string subject;
    std::string detail;  // the library's own text, when there is one
    ArchiveSignature signature;
    // The encoding the legacy names of the archive were decoded from, for a
    // second extractor that must decode them the same way.
    LegacyEncoding nameEncoding = LegacyEncoding::None;

    bool Succeeded() const { return failure == ExtractionFailure::None; }
};

// The outcome of an extraction that failed for `failure`.
ExtractionResult FailedExtraction(ExtractionFailure failure, std::string subject,
                                  std::string detail = {});

// `archivePath` is the archive or the first volume of a set; the following
// volumes are found beside it (ArchiveVolumes.h). `folder` must exist and be
// empty.
ExtractionResult ExtractFlat(const std::string& archivePath, const std::string& folder,
                             const ExtractionOptions& options = {});

// For a library text that came with a refusal: whether it says the method or
// format is unsupported (rather than that the data is damaged).
bool SaysUnsupported(const std::string& libraryText);
