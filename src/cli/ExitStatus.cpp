#include "cli/ExitStatus.h"

#include <signal.h>

namespace {
constexpr int SIGNAL_STATUS_BASE = 128;
}

int ExitStatus(RunOutcome outcome, int stopSignal) {
    if (outcome == RunOutcome::InputRejected) return EXIT_INPUT_REJECTED;
    // Also when the stop came too late to leave any disc out: the caller
    // asked the command to end early.
    if (stopSignal != 0) return SIGNAL_STATUS_BASE + stopSignal;
    switch (outcome) {
        case RunOutcome::Completed:
            return EXIT_DONE;
        case RunOutcome::CompletedWithWriteFailures:
            return EXIT_WRITE_FAILED;
        case RunOutcome::Stopped:
            return SIGNAL_STATUS_BASE + SIGINT;
        case RunOutcome::InputRejected:
            return EXIT_INPUT_REJECTED;
        case RunOutcome::NothingMatched:
            return EXIT_NOTHING_MATCHED;
    }
    return EXIT_DONE;
}
