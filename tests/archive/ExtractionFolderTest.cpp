#include "archive/ExtractionFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "platform/FileOps.h"
#include "support/Files.h"
#include "support/TempDir.h"

using testsupport::ListNames;
using testsupport::TempDir;
using Names = std::vector<std::string>;

// The extraction folder was "/tmp/Kelvane-<pid>": another user could make a
// folder or a link of that name first and read what is extracted, or have
// it written elsewhere. Each extraction folder now gets a name no one can
// foresee, is made in the same step and is the user's alone.
TEST(ExtractionFolder, CannotBePlantedByAnotherUser) {
    TempDir dir;
    const char* saved = std::getenv("TMPDIR");
    const std::string previous = saved ? saved : "";
    setenv("TMPDIR", dir.Path().c_str(), 1);

    testsupport::MakeDirs(dir / "elsewhere");
    const std::string foreseen = "Kelvane-" + std::to_string(getpid());
    ASSERT_EQ(symlink((dir / "elsewhere").c_str(), (dir / foreseen).c_str()), 0);
    const std::string first = MakeExtractionFolder();
    const std::string second = MakeExtractionFolder();
    for (const std::string& folder : {first, second}) {
        ASSERT_EQ(folder.rfind(dir / (foreseen + "-"), 0), 0u) << folder;
        EXPECT_EQ(folder.size(), (dir / foreseen).size() + 7) << folder;
        struct stat status;
        ASSERT_EQ(lstat(folder.c_str(), &status), 0);
        EXPECT_TRUE(S_ISDIR(status.st_mode));
        EXPECT_EQ(status.st_mode & 0777, 0700u);
        EXPECT_EQ(status.st_uid, geteuid());
    }
    EXPECT_NE(first, second);

    Names expected = {"elsewhere", foreseen, first.substr(first.rfind('/') + 1),
                      second.substr(second.rfind('/') + 1)};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ListNames(dir.Path()), expected);
    EXPECT_TRUE(ListNames(dir / "elsewhere").empty());
    platform::RemoveTree(first);
    platform::RemoveTree(second);

    if (saved) {
        setenv("TMPDIR", previous.c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }
}
