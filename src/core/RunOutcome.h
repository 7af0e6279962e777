#pragma once

// How a run ended, for callers that report it (the terminal front end's exit
// status, the window's last status text).
enum class RunOutcome {
    Completed,
    // The run did its work, but a file it keeps (a list, the log, the batch,
    // the settings) could not be written.
    CompletedWithWriteFailures,
    // Stop ended the run before its last disc; it wrapped up as usual.
    Stopped,
    // An input check failed: nothing was done.
    InputRejected,
    // The run went through its discs, but none was found in the database
    // (or no disc was there to look at, with sub-folders left unscanned).
    NothingMatched,
};
