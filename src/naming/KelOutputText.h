#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform {
class AppendFile;
}

// Collects text lines during a run and appends them to a file, at its end or
// (for a record that must survive a killed run) as each line is added. The
// file grows from run to run (the error log, the rename batch); each line is
// written whole, with CR LF, in one write.
class KelOutputText {
public:
    explicit KelOutputText(std::string path);
    virtual ~KelOutputText();

    virtual void AddLine(const std::string& line);

    // From now on each line is appended to the file as it is added (the file
    // is created now when missing). False when the file cannot be opened.
    bool AppendAsAdded();

    // Appends every collected line to the file, creating it when missing (so a
    // Write without lines still creates an empty file); after AppendAsAdded it
    // only says whether every line went out. The lines stay collected. False
    // when the file could not be opened or written.
    bool Write() const;

    const std::vector<std::string>& Lines() const { return lines; }

private:
    std::vector<std::string> lines;
    std::string path;
    std::unique_ptr<platform::AppendFile> appending;
    bool appendFailed = false;
};
