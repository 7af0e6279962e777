#include "platform/StrayTemporaries.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "platform/FileSearch.h"
#include "support/Files.h"
#include "support/TempDir.h"

using namespace platform;
using testsupport::ListNames;
using testsupport::TempDir;
using testsupport::WriteFile;
using Names = std::vector<std::string>;

namespace {

Names NamesOf(const std::vector<FoundEntry>& listing) {
    Names names;
    for (const FoundEntry& entry : listing) names.push_back(entry.name);
    return names;
}

}  // namespace

// The sweep took any "<file>.tmp<N>-<M>" of an ended process for a leftover:
// a user's notes.txt.tmp99999-1 beside notes.txt was deleted. Only this
// program's own temporaries go, and only those a process left that has ended.
TEST(StrayTemporaries, AUsersFileThatLooksLikeATemporaryIsKept) {
    TempDir dir;
    // No process has this number (the kernel's limit is lower).
    const std::string ended = "99999999";
    const std::string self = std::to_string(getpid());
    struct Entry {
        std::string name;
        bool removed;
    };
    const std::vector<Entry> entries = {
        {"notes.txt", false},
        {"notes.txt.tmp" + ended + "-1", false},  // the user's
        {"Game.cue", false},
        {"Game.cue.orvane-tmp-" + ended + "-0", true},
        {"Gone.cue.orvane-tmp-" + ended + "-3", true},  // its file was moved back
        {"Mine.cue.orvane-tmp-" + self + "-0", false},  // of a process still running
        {"Odd.cue.orvane-tmp-" + ended + "-x", false},
        {"Odd.cue.orvane-tmp-" + ended, false},
        {"Odd.cue.orvane-tmp--0", false},
    };
    for (const Entry& entry : entries) WriteFile(dir / entry.name, "x");
    ASSERT_EQ(symlink("notes.txt", (dir / ("Link.orvane-tmp-" + ended + "-0")).c_str()), 0);
    testsupport::MakeDirs(dir / ("Folder.orvane-tmp-" + ended + "-0"));

    Names kept;
    for (const std::string& name : ListNames(dir.Path())) {
        const auto entry = std::find_if(entries.begin(), entries.end(),
                                        [&](const Entry& e) { return e.name == name; });
        if (entry == entries.end() || !entry->removed) kept.push_back(name);
    }
    // A run that only shows what it would do removes nothing.
    const std::vector<FoundEntry> listing = ListFolder(dir.Path());
    const Names before = ListNames(dir.Path());
    std::vector<std::string> shown = NamesOf(WithoutStrayTemporaries(dir.Path(), listing));
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, kept);
    EXPECT_EQ(ListNames(dir.Path()), before);

    std::vector<std::string> left = NamesOf(RemoveStrayTemporaries(dir.Path(), listing));
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, kept);
    EXPECT_EQ(ListNames(dir.Path()), kept);
}
