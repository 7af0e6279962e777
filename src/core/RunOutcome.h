#pragma once

// How a run ended, for callers that report it (the terminal front end's
// exit status); the window ignores it.
enum class RunOutcome { Completed, InputRejected };
