#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class RunHost;
struct RunState;

// The window's six text fields and twelve check boxes, in the one order the
// runs, presets, settings and language files share.
enum EditIndex : int {
    EDIT_FOLDER = 0,
    EDIT_FORMULA = 1,
    EDIT_DATABASE = 2,
    EDIT_ADD_DATABASE = 3,
    EDIT_DRIVE_TOOL = 4,
    EDIT_LIST_FORMAT = 5,
    EDIT_COUNT = 6
};

enum CheckIndex : int {
    CHECK_SUBFOLDERS = 0,
    CHECK_RENAME_FOLDERS = 1,
    CHECK_IMAGE_CHECKSUM = 2,
    CHECK_ADD_PRIORITY = 3,
    CHECK_SEARCH_ARCHIVES = 4,
    CHECK_FULLWIDTH_SPECIAL = 5,
    CHECK_FULLWIDTH_DIGITS = 6,
    CHECK_FULLWIDTH_LETTERS = 7,
    CHECK_FULLWIDTH_SPACES = 8,
    CHECK_FULLWIDTH_PUNCTUATION = 9,
    CHECK_SET_TIMES = 10,
    CHECK_WRITE_BATCH = 11,
    CHECK_COUNT = 12
};

// What the window hands to a run, by copy, when the user starts it.
struct RunSettings {
    RunHost* ownerWindow = nullptr;
    RunState* runState = nullptr;
    std::array<std::string, EDIT_COUNT> texts;
    std::array<std::int32_t, CHECK_COUNT> checks{};  // 1 = ticked
    std::string driveText;
    std::int32_t systemSelection = -1;  // 0 PS1, 1 PS2, 2 PSP, -1 none
};

// Lives as long as the window and serves every run: the settings copy of the
// run in progress, its candidates and the Stop request.
struct RunState {
    RunSettings settings;
    std::vector<std::string> candidates;
    // Set by the window's thread (or a signal handler), read by the run
    // before each candidate.
    std::atomic<bool> stopRequested{false};
};

// 1 PlayStation, 2 PlayStation 2, 3 PSP, 0 no system.
int SystemIndex(std::int32_t systemSelection);
// "PS1", "PS2", "PSP", or "" for no system.
std::string SystemName(int systemIndex);

// How a run ended, for callers that report it (the terminal front end's
// exit status); the window ignores it.
enum class RunOutcome { Completed, InputRejected };
