#pragma once

#include <string>

struct CommandLine;

// orvane-cli verify: checks every disc of the folder against the DATs. On
// stdout one line per disc (status, path, DAT game, detail, separated by
// TAB) or, with --json, one JSON object per disc; then the summary (on
// stderr, or as the last JSON object). Returns the exit status: 0 every disc
// verified, 1 anything else (a report that could not be written too), 2 the
// folder or a DAT could not be read, 130 and so on when stopped.
int RunVerifyCommand(const CommandLine& line);

// Where verify keeps its hash cache: VerifyCache.sqlite in the user's data
// folder, made when missing; empty when there is no home folder.
inline constexpr const char* VERIFY_CACHE_FILE = "VerifyCache.sqlite";
std::string VerifyCachePath();
