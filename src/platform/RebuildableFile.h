#pragma once

#include <string>
#include <string_view>

// A file the program rebuilds whole again and again during a run (the have
// and miss lists, after every renamed disc). Each version is written to a
// spare file beside it, which then changes places with the file in one step,
// so a reader never sees a half-written list. The version it replaces becomes
// the next spare: no file is created or deleted per write, which on ext4 is
// what costs most. The spare ("<file>.orvane-tmp") is removed when the object
// goes. Unlike ReplaceFileContent it does not wait for the disk: such a list
// is rebuilt from the inventory by every run, and a sync after every disc
// would add a wait for the disk to every disc.
namespace platform {

class RebuildableFile {
public:
    explicit RebuildableFile(std::string path);
    ~RebuildableFile();
    RebuildableFile(const RebuildableFile&) = delete;
    RebuildableFile& operator=(const RebuildableFile&) = delete;

    // False when the new version could not be written; the old one then stays.
    bool Replace(std::string_view content);

private:
    std::string path;
    std::string spare;
};

}  // namespace platform
