#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/RunHost.h"
#include "core/RunReport.h"
#include "ident/KelFileBase.h"
#include "run/RunSettings.h"

namespace platform {
class FolderSnapshots;
}

// The steps the rename run and the list run take alike.

// Clears Stop, keeps the run's copy of its settings, removes the extraction
// folders of killed runs (not in a dry run), sets the progress bar to 0,
// makes the start-up directory current and disables the window's inputs,
// then checks the folder to scan: false, after its message (inputs enabled
// again), when it names no existing folder (or a file).
bool BeginRun(const RunSettings& settings);

// Ends a run at a failed input check: the message of `key` (followed by the
// path it is about, when given), inputs enabled.
RunOutcome RejectInput(RunHost& host, const char* key, MessageIcon icon,
                       const std::string& path = {});

// Walks the folder to scan into RunState::candidates (showing that it does),
// keeping the listings it reads in `snapshots`. A dry run leaves the stray
// temporaries of killed runs where they are.
void ListCandidates(const RunSettings& settings, bool stripPartSuffixes,
                    platform::FolderSnapshots& snapshots);

// Shows that a candidate is being identified, makes its handler (which does
// the identification) and moves the progress bar.
std::unique_ptr<KelFileBase> IdentifyCandidate(RunHost& host, int systemIndex,
                                               DiscHandlerParams& params,
                                               const std::string& candidate,
                                               std::int64_t& processed, std::int64_t total);

// The end of a run: `message` in the status line (after `statusPrefix`) and
// in a message box, followed by the files that could not be written; progress
// back to 0 and the window's inputs enabled. `reports`, when given, first
// gets `summary` completed with the message shown, the files not written and
// the stop. The outcome says whether the run was stopped or could not write
// a file.
RunOutcome EndRun(RunHost& host, const std::string& statusPrefix, const std::string& message,
                  bool stopped, const std::vector<std::string>& notWritten,
                  ReportSink* reports = nullptr, RunSummary summary = {});

// A boot line without ";1" ends in a carriage return; identifiers are looked
// up and written without it.
void RemoveFirstCarriageReturn(std::string& identifier);
