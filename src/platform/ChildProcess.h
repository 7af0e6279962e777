#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Running another program and waiting for it, while the caller keeps the
// say over how long it may run.
namespace platform {

struct ChildOptions {
    // When not empty, the program may create, change and remove files only
    // below this folder. The kernel enforces it (Landlock) where it offers
    // that; elsewhere the caller's checks afterwards are all there is.
    std::string writableFolder;
    // The largest file the program may write; 0 for no limit.
    std::uint64_t maxFileBytes = 0;
    // Asked about ten times a second while the program runs; false ends it
    // and every process it started.
    std::function<bool()> keepRunning;
};

struct ChildResult {
    bool started = false;        // the program was found and started
    bool endedByCaller = false;  // keepRunning said no
    bool fileTooLarge = false;   // it tried to write beyond maxFileBytes
    int exitCode = -1;           // its exit code; -1 when a signal ended it
    std::string output;          // its standard output and error, the first 64 KiB
};

// The full path of a program found in $PATH, or nothing.
std::optional<std::string> FindProgram(const std::string& name);

// Runs the program `arguments[0]` (looked up in $PATH) with the other
// arguments, reading nothing (standard input is /dev/null), in a process
// group of its own under a UTF-8 locale, and waits until it has ended.
ChildResult RunChild(const std::vector<std::string>& arguments, const ChildOptions& options);

}  // namespace platform
