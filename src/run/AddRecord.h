#pragma once

#include "core/RunOutcome.h"

struct RunOptions;
class RunHost;

// Add Record: merges the add file into the database file and rewrites the
// database sorted by identifier. The file read first wins for identifiers in
// both: the database, unless `addPriority` gives the add file's records
// priority. Runs on the window's thread; Completed tells the window to
// clear the add file's field.
RunOutcome MergeDatabaseFiles(const RunOptions& options, RunHost& host);
