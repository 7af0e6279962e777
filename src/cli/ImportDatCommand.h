#pragma once

#include <string>
#include <vector>

#include "cli/CommandLine.h"

class WindowModel;

// orvane-cli import-dat: merges the DAT files into the database file the
// options and the saved state name, for the selected system, and reports on
// stderr (unless quiet) how many records were added, updated and skipped.
// Returns the exit status: 0 done, 1 the database could not be written, 2 a
// DAT or the database could not be read (nothing written then).
int RunImportDat(const WindowModel& model, const std::vector<std::string>& datFiles,
                 Verbosity verbosity);
