#pragma once

#include <string>

// The directory that was current when the program started. Settings, presets,
// language files, lists and logs are relative names resolved against it, so
// every operation that uses them makes it current again first (a browse
// dialog may have moved the process elsewhere in between).
class KelCurrentDirectory {
public:
    KelCurrentDirectory();
    virtual ~KelCurrentDirectory() = default;

    const std::string& Directory() const { return directory; }

    // Makes the captured directory current again; false when it is gone.
    bool MakeCurrent() const;

private:
    std::string directory;
};
