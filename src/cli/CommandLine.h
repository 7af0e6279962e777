#pragma once

// orvane-cli, the terminal front end over the run layer.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// How much orvane-cli tells on stderr: errors only (-q), errors, messages and
// one summary line, or also a status line per step of the run (-v).
enum class Verbosity { Quiet, Normal, Verbose };

// What the user asked of orvane-cli.
struct CommandLine {
    enum class Command { None, Rename, List, AddRecord, ImportDat, Undo, Verify };
    Command command = Command::None;
    bool help = false;
    bool version = false;
    bool save = false;
    bool dryRun = false;  // rename, undo: tell the plan, change nothing
    bool json = false;    // rename, list, undo, verify: JSON lines on stdout
    Verbosity verbosity = Verbosity::Normal;
    std::optional<std::int64_t> undoRun;  // undo --run N: the run counting back
    std::optional<std::string> preset;
    std::optional<std::string> language;
    std::optional<int> systemSelection;
    std::vector<std::pair<int, std::string>> edits;  // edit index, text
    std::vector<std::pair<int, int>> checks;         // check index, state
    std::vector<std::string> datFiles;               // import-dat's files
    std::vector<std::string> verifyDats;    // verify, rename --verified-only: --dat FILE...
    bool verifiedOnly = false;              // rename only discs that verify
    std::optional<std::string> reportFile;  // verify --report FILE.csv
};

// Parses the arguments after the program name; on a usage error returns
// nothing and fills `error`.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& arguments,
                                            std::string& error);

extern const char* const USAGE_TEXT;
