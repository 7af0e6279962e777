#pragma once

#include <string>
#include <utility>
#include <vector>

// Collects text lines during a run and appends them to a file at its end. The
// file grows from run to run (the error log, the rename batch); each line is
// written with CR LF and flushed on its own.
class KelOutputText {
public:
    explicit KelOutputText(std::string path) : path(std::move(path)) {}
    virtual ~KelOutputText() = default;

    virtual void AddLine(const std::string& line) { lines.push_back(line); }

    // Appends every collected line to the file, creating it when missing (so a
    // Write without lines still creates an empty file). The lines stay
    // collected. False when the file could not be opened or written.
    bool Write() const;

    const std::vector<std::string>& Lines() const { return lines; }

private:
    std::vector<std::string> lines;
    std::string path;
};
