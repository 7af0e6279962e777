#pragma once

struct RunState;

// Ctrl-C, SIGTERM and SIGHUP ask the run to stop after the disc in hand, so
// that it ends as a run ends: the extraction folder removed, the lists, the
// log and the batch written. A second one ends the program at once.
class StopSignals {
public:
    // Installs the handlers for the life of the object.
    explicit StopSignals(RunState& runState);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The first stop signal received, 0 when none came.
    static int Received();
};
