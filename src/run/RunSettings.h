#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ControlIndexes.h"
#include "core/RunOutcome.h"

class PlanSink;
class RunHost;
class WindowModel;
struct RunState;

// What the window hands to a run, by copy, when the user starts it.
struct RunSettings {
    RunHost* ownerWindow = nullptr;
    RunState* runState = nullptr;
    std::array<std::string, EDIT_COUNT> texts;
    std::array<std::int32_t, CHECK_COUNT> checks{};  // 1 = ticked
    std::string driveText;
    std::int32_t systemSelection = -1;  // 0 PS1, 1 PS2, 2 PSP, -1 none
    // A dry run: the rename run changes nothing on the disk and sends what it
    // would do here instead.
    PlanSink* dryRunPlan = nullptr;
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

// The record a run is started with, from the window's current state.
RunSettings MakeRunSettings(const WindowModel& model, RunHost* owner, RunState* runState);
