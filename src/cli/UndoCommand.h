#pragma once

struct CommandLine;

// orvane-cli undo: takes back a rename run from the journal of the start-up
// directory (or with --dry-run tells how it would), each step a plan line on
// stdout, the outcome on stderr. Returns the exit status: 0 the run is taken
// back, 1 part of it stays renamed (the skips say why) or the journal could
// not be written, 2 there is no such run to take back.
int RunUndo(const CommandLine& line);
