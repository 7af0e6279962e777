#include "cli/UndoCommand.h"

#include <signal.h>

#include <iostream>
#include <optional>
#include <string>

#include "cli/CommandLine.h"
#include "cli/ExitStatus.h"
#include "cli/JsonReport.h"
#include "cli/StopSignals.h"
#include "platform/KelCurrentDirectory.h"
#include "rename/PlanSink.h"
#include "rename/RenameJournal.h"
#include "rename/RenameUndo.h"
#include "run/RunSettings.h"

namespace {

class StdoutPlan final : public PlanSink {
public:
    explicit StdoutPlan(bool printed) : printed(printed) {}
    void Add(const PlanStep& step) override {
        if (printed) std::cout << PlanLine(step) << '\n';
    }

private:
    const bool printed;  // --json puts its objects on stdout instead
};

std::string RunName(const UndoReport& report) {
    return "run " + std::to_string(report.run) + " of " + report.started + " (" + report.folder +
           ")";
}

std::string Counts(const UndoReport& report) {
    return std::to_string(report.files) + " files, " + std::to_string(report.rewrites) +
           " rewrites, " + std::to_string(report.folders) + " folders";
}

// Why there is no run to take back, or nothing when there is one.
std::string Refusal(const UndoReport& report, std::int64_t countBack) {
    using Result = UndoReport::Result;
    switch (report.result) {
        case Result::NoJournal:
            return std::string("no rename run to take back, ") +
                   (report.journalFound ? "the journal holds none: " : "there is no journal: ") +
                   RENAME_JOURNAL_FILE;
        case Result::NoSuchRun:
            return "the journal keeps " + std::to_string(report.runsKept) +
                   (report.runsKept == 1 ? " run" : " runs") + ": --run " +
                   std::to_string(countBack);
        case Result::AlreadyTakenBack:
            return RunName(report) + " was taken back already" +
                   (countBack < report.runsKept ? "; --run " + std::to_string(countBack + 1) +
                                                      " takes back the run before it"
                                                : std::string());
        case Result::AnotherRun:
            return std::string("another run is active on ") + RENAME_JOURNAL_FILE +
                   " or its folder; nothing was taken back";
        case Result::TakenBack:
        case Result::PartlyTakenBack:
            break;
    }
    return {};
}

}  // namespace

int RunUndo(const CommandLine& line) {
    // A reader of the plan that goes away (undo | head) must not end the
    // undo in the middle of a disc; Ctrl-C ends it between discs.
    static_cast<void>(signal(SIGPIPE, SIG_IGN));
    RunState runState;
    const StopSignals stopSignals(runState);
    const KelCurrentDirectory startDirectory;
    std::optional<JsonReport> json;
    if (line.json) json.emplace(startDirectory.Directory(), JsonReport::Command::Undo, line.dryRun);
    UndoRequest request;
    request.journal = RENAME_JOURNAL_FILE;
    request.countBack = line.undoRun.value_or(1);
    request.dryRun = line.dryRun;
    request.stopRequested = &runState.stopRequested;
    request.reports = json ? &*json : nullptr;
    StdoutPlan plan(!line.json);
    const UndoReport report = UndoRenameRun(request, plan);
    std::cout << std::flush;
    if (json) json->UndoSummary(report);
    auto finish = [&json](int status, const std::string& error = {}) {
        if (json) json->Finish(status, error);
        return status;
    };

    if (const std::string refusal = Refusal(report, request.countBack); !refusal.empty()) {
        std::cerr << "orvane-cli: " << refusal << "\n";
        return finish(EXIT_INPUT_REJECTED, refusal);
    }
    const bool quiet = line.verbosity == Verbosity::Quiet;
    const bool whole = report.result == UndoReport::Result::TakenBack;
    std::string outcome = RunName(report);
    outcome[0] = 'R';
    outcome += line.dryRun ? (whole ? " would be taken back: " : " would be taken back in part: ")
                           : (whole ? " taken back: " : " taken back in part: ");
    outcome += Counts(report);
    if (report.stopped) {
        if (!quiet) {
            std::cerr << outcome
                      << "; stopped before the last disc. Undo again to take back the rest.\n";
        }
        return finish(ExitStatus(RunOutcome::Stopped, StopSignals::Received()));
    }
    if (!whole) {
        outcome += "; " + std::to_string(report.skipped) +
                   " left as they are (the skip lines say why). Undo again once their way is "
                   "clear.";
    }
    if (!quiet) std::cerr << outcome << "\n";
    if (report.leftOpen > 0) {
        std::cerr << "orvane-cli: " << report.leftOpen
                  << " discs are half taken back (a file could not be moved back); the next "
                     "run or undo finishes them\n";
    }
    if (report.journalFailure) {
        std::cerr << "orvane-cli: cannot write: " << RENAME_JOURNAL_FILE << " ("
                  << report.journalFailure.Reason() << ")\n";
        return finish(EXIT_WRITE_FAILED);
    }
    if (report.leftOpen > 0) return finish(EXIT_WRITE_FAILED);
    return finish(whole ? EXIT_DONE : EXIT_PARTLY_DONE);
}
