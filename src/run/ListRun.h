#pragma once

#include "run/RunSettings.h"

// Identifies every disc of the folder and appends one database line per disc
// to the database file (identifier, base path as the name, system), without
// renaming anything. Runs on a worker thread like the rename run.
RunOutcome RunList(RunSettings settings);
