#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "core/RunOptions.h"
#include "core/RunOutcome.h"

class DiscVerifier;
class PlanSink;
class ReportSink;
class RunHost;
struct RunState;

// What the window (or orvane-cli) hands to a run, by copy, when the user
// starts it.
struct RunSettings {
    RunHost* ownerWindow = nullptr;
    RunState* runState = nullptr;
    RunOptions options;
    // A dry run: the rename run changes nothing on the disk and sends what it
    // would do here instead.
    PlanSink* dryRunPlan = nullptr;
    // Told what became of each disc, and the run's counts; may be null.
    ReportSink* reports = nullptr;
    // Only discs that verify against these DATs are renamed; null renames
    // every disc found in the database.
    DiscVerifier* verifiedOnly = nullptr;
    // How many discs past the one in hand may have their reads in flight (0:
    // each disc is read in its turn only). It changes how long a run takes
    // on a share or a cold disk, never what it does.
    std::size_t readAhead = 16;
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
