#pragma once

#include "core/RunOutcome.h"

class WindowModel;
class RunHost;

// Add Record: merges the add file (edit 3) into the database file (edit 2)
// and rewrites the database sorted by identifier. The file read first wins
// for identifiers in both: the database, unless the priority box (check 3)
// gives the add file's records priority. Runs on the window's thread.
RunOutcome MergeDatabaseFiles(WindowModel& model, RunHost& host);
