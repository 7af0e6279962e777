#include "platform/RebuildableFile.h"

#include <gtest/gtest.h>
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
