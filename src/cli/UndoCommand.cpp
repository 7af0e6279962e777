#include "cli/UndoCommand.h"

#include <signal.h>

#include <iostream>

#include "cli/CommandLine.h"
#include "cli/ExitStatus.h"
#include "cli/StopSignals.h"
#include "rename/PlanSink.h"
#include "rename/RenameJournal.h"
#include "rename/RenameUndo.h"
#include "run/RunSettings.h"

namespace {

class StdoutPlan final : public PlanSink {
public:
    void Add(const PlanStep& step) override { std::cout << PlanLine(step) << '\n'; }
};

std::string RunName(const UndoReport& report) {
    return "run " + std::to_string(report.run) + " of " + report.started + " (" + report.folder +
           ")";
}

std::string Counts(const UndoReport& report) {
    return std::to_string(report.files) + " files, " + std::to_string(report.rewrites) +
           " rewrites, " + std::to_string(report.folders) + " folders";
}

}  // namespace

int RunUndo(const CommandLine& line) {
    // A reader of the plan that goes away (undo | head) must not end the
    // undo in the middle of a disc; Ctrl-C ends it between discs.
    static_cast<void>(signal(SIGPIPE, SIG_IGN));
    RunState runState;
    const StopSignals stopSignals(runState);
    UndoRequest request;
    request.journal = RENAME_JOURNAL_FILE;
    request.countBack = line.undoRun.value_or(1);
    request.dryRun = line.dryRun;
    request.stopRequested = &runState.stopRequested;
    StdoutPlan plan;
    const UndoReport report = UndoRenameRun(request, plan);
    std::cout << std::flush;

    using Result = UndoReport::Result;
    switch (report.result) {
        case Result::NoJournal:
            std::cerr << "orvane-cli: no rename run to take back, "
                      << (report.journalFound ? "the journal holds none: "
                                              : "there is no journal: ")
                      << RENAME_JOURNAL_FILE << "\n";
            return EXIT_INPUT_REJECTED;
        case Result::NoSuchRun:
            std::cerr << "orvane-cli: the journal keeps " << report.runsKept
                      << (report.runsKept == 1 ? " run" : " runs") << ": --run "
                      << request.countBack << "\n";
            return EXIT_INPUT_REJECTED;
        case Result::AlreadyTakenBack:
            std::cerr << "orvane-cli: " << RunName(report) << " was taken back already";
            if (request.countBack < report.runsKept) {
                std::cerr << "; --run " << request.countBack + 1 << " takes back the run before it";
            }
            std::cerr << "\n";
            return EXIT_INPUT_REJECTED;
        case Result::AnotherRun:
            std::cerr << "orvane-cli: another run is active on " << RENAME_JOURNAL_FILE
                      << " or its folder; nothing was taken back\n";
            return EXIT_INPUT_REJECTED;
        case Result::TakenBack:
        case Result::PartlyTakenBack:
            break;
    }
    const bool whole = report.result == Result::TakenBack;
    std::string outcome = RunName(report);
    outcome[0] = 'R';
    outcome += line.dryRun ? (whole ? " would be taken back: " : " would be taken back in part: ")
                           : (whole ? " taken back: " : " taken back in part: ");
    std::cerr << outcome << Counts(report);
    if (report.stopped) {
        std::cerr << "; stopped before the last disc. Undo again to take back the rest.\n";
        return ExitStatus(RunOutcome::Stopped, StopSignals::Received());
    }
    if (!whole) {
        std::cerr << "; " << report.skipped
                  << " left as they are (the skip lines say why). Undo again once their way is "
                     "clear.";
    }
    std::cerr << "\n";
    if (report.leftOpen > 0) {
        std::cerr << "orvane-cli: " << report.leftOpen
                  << " discs are half taken back (a file could not be moved back); the next "
                     "run or undo finishes them\n";
    }
    if (report.journalFailure) {
        std::cerr << "orvane-cli: cannot write: " << RENAME_JOURNAL_FILE << " ("
                  << report.journalFailure.Reason() << ")\n";
        return EXIT_WRITE_FAILED;
    }
    if (report.leftOpen > 0) return EXIT_WRITE_FAILED;
    return whole ? EXIT_DONE : EXIT_PARTLY_DONE;
}
