#pragma once

#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveExtraction.h"

// The second extractor: where the library refuses an archive for its format
// or method (RAR 1.5 and 2.x, solid RAR, Deflate64 and imploded zips, 7z
// filters it lacks), an archiver installed on the system extracts the same
// set as a child process: unar (rar, zip, lzh, cab, self-extracting), 7zz
// (7z and zip). It writes into the same private folder; afterwards the
// folder is brought to the first extractor's layout: regular files only,
// flat (files from subfolders moved up), nothing else left.

enum class ExtractionTool { Unar, SevenZip };

// The tools to try for an archive of `format`, in order; none for bytes that
// are no archive of a known family.
std::vector<ExtractionTool> SecondExtractorsFor(ArchiveFormat format);

// Extracts the set whose first volume is `archivePath` into the empty
// `folder`, decoding names that are not UTF-8 from `names` as the first
// extractor did. Stop ends the tool at once; so does passing the bound on
// the bytes written. Nothing when the tool is not installed.
std::optional<ExtractionResult> ExtractWithTool(ExtractionTool tool, const std::string& archivePath,
                                                const std::string& folder, LegacyEncoding names,
                                                const ExtractionOptions& options);

// Leaves in `folder` only regular files, directly in it: files in subfolders
// move up (replacing one of the same name), subfolders, links, devices, pipes
// and files with further names (hard links) go. NothingExtracted when no file
// remains.
ExtractionResult SettleExtractedFiles(const std::string& folder, const std::string& archiveName);
