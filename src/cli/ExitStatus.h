#pragma once

#include "core/RunOutcome.h"

// The exit statuses of orvane-cli.
inline constexpr int EXIT_DONE = 0;
// The command did its work, but a file it keeps could not be written (or
// --save failed, and nothing was run).
inline constexpr int EXIT_WRITE_FAILED = 1;
// undo took back part of a run: the rest stays renamed.
inline constexpr int EXIT_PARTLY_DONE = 1;
// verify: a disc did not verify (or the report could not be written).
inline constexpr int EXIT_NOT_ALL_VERIFIED = 1;
inline constexpr int EXIT_INPUT_REJECTED = 2;
// The run went through the folder, but none of its discs is in the database:
// a script should not take the run for one that did its work.
inline constexpr int EXIT_NOTHING_MATCHED = 3;
inline constexpr int EXIT_USAGE = 64;

// The status for how a command ended. A run stopped by a signal reports the
// signal as a shell does, 128 plus its number: 130 for Ctrl-C, 143 for
// SIGTERM, 129 for SIGHUP.
int ExitStatus(RunOutcome outcome, int stopSignal);
