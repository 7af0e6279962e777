#include "cli/StopSignals.h"

#include <signal.h>

#include "run/RunSettings.h"

namespace {

constexpr int STOP_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

RunState* activeRun = nullptr;
volatile sig_atomic_t received = 0;

void Handle(void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : STOP_SIGNALS) sigaction(signalNumber, &action, nullptr);
}

// Only async-signal-safe work: a lock-free atomic store and sigaction.
void RequestStop(int signalNumber) {
    if (received == 0) received = signalNumber;
    if (activeRun != nullptr) activeRun->stopRequested.store(true);
    Handle(SIG_DFL);
}

static_assert(std::atomic<bool>::is_always_lock_free, "Stop is set from a signal handler");

}  // namespace

StopSignals::StopSignals(RunState& runState) {
    activeRun = &runState;
    Handle(RequestStop);
}

StopSignals::~StopSignals() {
    Handle(SIG_DFL);
    activeRun = nullptr;
}

int StopSignals::Received() {
    return received;
}
