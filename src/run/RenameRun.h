#pragma once

// The run layer: the rename run, the list run and Add Record, with the folder
// walk, the folder pass and the error log, driving the layers below through
// a RunHost.

#include "run/RunSettings.h"

// The program's main job, run on a worker thread: checks its inputs, walks the
// folder, identifies each disc, looks it up in the database, renames all its
// files (and, when asked, its folder) after the formula, keeps the have/miss
// inventory, writes the error log and the rename batch, honours Stop between
// discs and reports a summary. Everything it shows goes through
// settings.ownerWindow; relative file names resolve against the start-up
// directory.
//
// With settings.dryRunPlan it is a dry run: the whole identification and
// naming, but nothing changes on the disk (no move, rewrite, date, list, log,
// batch or journal; no interrupted disc made whole, no stray temporary or
// extraction folder of a killed run removed). What the run would do goes to
// the plan, step by step, in the order the run would do it.
RunOutcome RunRename(RunSettings settings);
