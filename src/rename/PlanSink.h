#pragma once

#include <string>

// What a run that changes nothing would do, step by step: the plan of
// `rename --dry-run` and of `undo`. The front end shows each step as it comes.

struct PlanStep {
    enum class Kind { Rename, Rewrite, Folder, Skip };
    Kind kind = Kind::Rename;
    // Rename, Folder: the old path. Rewrite: the file rewritten, where it
    // stands after the moves. Skip: the disc or file left as it is.
    std::string path;
    // Rename, Folder: the new path. Skip: why. Rewrite: empty.
    std::string detail;
};

// The reasons of skips that are not a failure text of a move.
inline constexpr const char* SKIP_NO_IDENTIFIER = "no identifier";
inline constexpr const char* SKIP_NOT_IN_DATABASE = "not in database";
// The name is taken: by a file already there, or by a disc before it.
inline constexpr const char* SKIP_COLLISION = "collision";

class PlanSink {
public:
    virtual ~PlanSink() = default;
    virtual void Add(const PlanStep& step) = 0;
};

// A step as one line, without line end, fields separated by TAB:
// "rename\told\tnew", "rewrite\tpath", "folder\told\tnew", "skip\tpath\treason".
// A TAB, CR, LF or backslash inside a field is written as \t, \r, \n or \\,
// so that every step is one line and splits into its fields.
std::string PlanLine(const PlanStep& step);

// One field of such a line: a TAB, CR, LF or backslash written as \t, \r, \n
// or \\ (also for the lines of verify).
std::string TabField(const std::string& field);
