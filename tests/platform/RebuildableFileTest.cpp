#include "platform/RebuildableFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileOps.h"
#include "support/Files.h"
#include "support/TempDir.h"

using platform::RebuildableFile;
using testsupport::ListNames;
using testsupport::ReadFile;
using testsupport::TempDir;

TEST(RebuildableFile, EachVersionReplacesTheLastWholeAndTheSpareGoesWithTheObject) {
    TempDir dir;
    const std::string list = dir / "Miss list (PS2).txt";
    {
        RebuildableFile file(list);
        EXPECT_TRUE(file.Replace("first"));
        chmod(list.c_str(), 0604);
        EXPECT_TRUE(file.Replace("second, longer"));
        EXPECT_TRUE(file.Replace("third"));
        EXPECT_EQ(ReadFile(list), "third");
        struct stat status;
        ASSERT_EQ(stat(list.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0604u);
    }
    EXPECT_EQ(ListNames(dir.Path()), std::vector<std::string>{"Miss list (PS2).txt"});
}

TEST(RebuildableFile, NeverWritesThroughALinkNorSwapsAFolderAway) {
    TempDir dir;
    testsupport::WriteFile(dir / "precious", "keep");
    ASSERT_EQ(symlink((dir / "precious").c_str(), (dir / "list.txt.orvane-tmp").c_str()), 0);
    {
        RebuildableFile file(dir / "list.txt");
        EXPECT_FALSE(file.Replace("x"));
    }
    EXPECT_EQ(ReadFile(dir / "precious"), "keep");

    testsupport::MakeDirs(dir / "folder.txt");
    RebuildableFile folder(dir / "folder.txt");
    EXPECT_FALSE(folder.Replace("x"));
    EXPECT_EQ(platform::KindOf(dir / "folder.txt"), platform::PathKind::Folder);
}

// On a nearly full disk the spare of a failed write held its half-written
// copy for the whole run, and the journal's next write found no space.
TEST(RebuildableFile, TheSpareOfAFailedWriteIsRemoved) {
    TempDir dir;
    const std::string list = dir / "Have list (PS2).txt";
    RebuildableFile file(list);
    ASSERT_TRUE(file.Replace("old"));
    signal(SIGXFSZ, SIG_IGN);
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit tiny = saved;
    tiny.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &tiny);
    const bool written = file.Replace(std::string(65536, 'x'));
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFile(list), "old");
    EXPECT_EQ(ListNames(dir.Path()), std::vector<std::string>{"Have list (PS2).txt"});
}
