#include "platform/FileOps.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "support/Files.h"
#include "support/TempDir.h"

using namespace platform;
using testsupport::ListNames;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

TEST(MovePath, NeverReplacesAnExistingFileOrFolder) {
    TempDir dir;
    WriteFile(dir / "a.bin", "first");
    WriteFile(dir / "b.bin", "second");
    EXPECT_FALSE(MovePath(dir / "a.bin", dir / "b.bin"));
    EXPECT_EQ(ReadFile(dir / "a.bin"), "first");
    EXPECT_EQ(ReadFile(dir / "b.bin"), "second");

    testsupport::MakeDirs(dir / "one");
    testsupport::MakeDirs(dir / "two");
    WriteFile(dir / "two/keep", "k");
    EXPECT_FALSE(MovePath(dir / "one", dir / "two"));
    EXPECT_FALSE(MovePath(dir / "a.bin", dir / "two"));
    EXPECT_EQ(ReadFile(dir / "two/keep"), "k");
    EXPECT_EQ(ListNames(dir.Path()), (std::vector<std::string>{"a.bin", "b.bin", "one", "two"}));
}

TEST(MovePath, MovesFilesAndFoldersToFreeNames) {
    TempDir dir;
    WriteFile(dir / "old.bin", "data");
    EXPECT_TRUE(MovePath(dir / "old.bin", dir / "new.bin"));
    EXPECT_EQ(ReadFile(dir / "new.bin"), "data");
    EXPECT_EQ(KindOf(dir / "old.bin"), PathKind::Missing);

    testsupport::MakeDirs(dir / "folder");
    EXPECT_TRUE(MovePath(dir / "folder", dir / "renamed"));
    EXPECT_EQ(KindOf(dir / "renamed"), PathKind::Folder);

    // A change of letter case is a move to another name on Linux.
    EXPECT_TRUE(MovePath(dir / "new.bin", dir / "NEW.bin"));
    EXPECT_EQ(ReadFile(dir / "NEW.bin"), "data");
}

TEST(MovePath, OntoItselfSucceedsAndMissingSourceFails) {
    TempDir dir;
    WriteFile(dir / "same.iso", "x");
    EXPECT_TRUE(MovePath(dir / "same.iso", dir / "same.iso"));
    EXPECT_EQ(ReadFile(dir / "same.iso"), "x");
    EXPECT_FALSE(MovePath(dir / "absent.iso", dir / "other.iso"));
    EXPECT_FALSE(MovePath(dir / "absent.iso", dir / "absent.iso"));
    EXPECT_FALSE(MovePath(dir / "same.iso", ""));
    EXPECT_FALSE(MovePath(dir / "same.iso", dir / std::string("a\0b", 3)));
    EXPECT_EQ(ListNames(dir.Path()), (std::vector<std::string>{"same.iso"}));
}

TEST(MoveToName, RefusesNamesThatAreNoPlainName) {
    TempDir dir;
    testsupport::MakeDirs(dir / "sub");
    WriteFile(dir / "game.bin", "x");
    for (const std::string& name : std::vector<std::string>{
             "", ".", "..", "sub/game.bin", "../game.bin", "a/b", std::string("x\0y", 3)}) {
        EXPECT_FALSE(MoveToName(dir / "game.bin", dir.Path(), name)) << name;
    }
    EXPECT_EQ(ReadFile(dir / "game.bin"), "x");
    EXPECT_TRUE(ListNames(dir / "sub").empty());
    EXPECT_TRUE(MoveToName(dir / "game.bin", dir.Path(), "Title [SLPS00071].bin"));
    EXPECT_EQ(ReadFile(dir / "Title [SLPS00071].bin"), "x");
}

TEST(ExistenceChecks, WildcardsNeverNameAnExistingEntry) {
    TempDir dir;
    testsupport::MakeDirs(dir / "games");
    WriteFile(dir / "db.csv", "x");
    EXPECT_TRUE(IsExistingFolder(dir / "games"));
    EXPECT_TRUE(IsExistingFolder(dir / "games/"));
    EXPECT_FALSE(IsExistingFolder(dir / "db.csv"));
    EXPECT_FALSE(IsExistingFolder(dir / "gam*"));
    EXPECT_FALSE(IsExistingFolder(""));
    EXPECT_TRUE(IsExistingFile(dir / "db.csv"));
    EXPECT_FALSE(IsExistingFile(dir / "games"));
    EXPECT_FALSE(IsExistingFile(dir / "db.cs?"));
    EXPECT_FALSE(IsExistingFile(dir / "missing.csv"));
}

TEST(ReplaceFileContent, ReplacesWholeAndLeavesNoTemporaryFile) {
    TempDir dir;
    EXPECT_TRUE(ReplaceFileContent(dir / "Setting.ini", "one\r\n"));
    EXPECT_EQ(ReadFile(dir / "Setting.ini"), "one\r\n");
    chmod((dir / "Setting.ini").c_str(), 0640);
    EXPECT_TRUE(ReplaceFileContent(dir / "Setting.ini", "two"));
    EXPECT_EQ(ReadFile(dir / "Setting.ini"), "two");
    struct stat status;
    ASSERT_EQ(stat((dir / "Setting.ini").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    EXPECT_EQ(ListNames(dir.Path()), (std::vector<std::string>{"Setting.ini"}));
}

TEST(ReplaceFileContent, FailureKeepsWhatWasThereAndLeavesNoTemporaryFile) {
    TempDir dir;
    testsupport::MakeDirs(dir / "list.txt");
    WriteFile(dir / "list.txt/inside", "old");
    EXPECT_FALSE(ReplaceFileContent(dir / "list.txt", "new"));
    EXPECT_EQ(ReadFile(dir / "list.txt/inside"), "old");
    EXPECT_EQ(ListNames(dir.Path()), (std::vector<std::string>{"list.txt"}));
}

TEST(ReplaceFileContent, TargetInMissingFolderFails) {
    TempDir dir;
    EXPECT_FALSE(ReplaceFileContent(dir / "nope/file.txt", "x"));
    EXPECT_TRUE(ListNames(dir.Path()).empty());
}

TEST(SetFileTimes, SetsAccessAndWriteTime) {
    TempDir dir;
    WriteFile(dir / "a.bin", "x");
    ASSERT_TRUE(SetFileTimes(dir / "a.bin", 946598400));
    struct stat status;
    ASSERT_EQ(stat((dir / "a.bin").c_str(), &status), 0);
    EXPECT_EQ(status.st_mtime, 946598400);
    EXPECT_EQ(status.st_atime, 946598400);
    EXPECT_FALSE(SetFileTimes(dir / "missing", 0));
}

TEST(RemoveTree, RemovesEverythingButNeverFollowsLinks) {
    TempDir dir;
    testsupport::MakeDirs(dir / "outside");
    WriteFile(dir / "outside/precious", "keep");
    testsupport::MakeDirs(dir / "tree/a/b");
    WriteFile(dir / "tree/a/b/file", "x");
    WriteFile(dir / "tree/top", "x");
    ASSERT_EQ(symlink((dir / "outside").c_str(), (dir / "tree/a/link").c_str()), 0);
    ASSERT_EQ(symlink((dir / "outside/precious").c_str(), (dir / "tree/filelink").c_str()), 0);

    EXPECT_TRUE(RemoveTree(dir / "tree"));
    EXPECT_EQ(KindOf(dir / "tree"), PathKind::Missing);
    EXPECT_EQ(ReadFile(dir / "outside/precious"), "keep");
    EXPECT_TRUE(RemoveTree(dir / "tree"));  // already gone: nothing to do
}

TEST(TempFolder, UsesTmpdirWhenItIsAFolder) {
    TempDir dir;
    const char* saved = std::getenv("TMPDIR");
    const std::string previous = saved ? saved : "";
    setenv("TMPDIR", dir.Path().c_str(), 1);
    EXPECT_EQ(TempFolder(), dir.Path() + "/");
    setenv("TMPDIR", (dir / "missing").c_str(), 1);
    EXPECT_EQ(TempFolder(), "/tmp/");
    if (saved) {
        setenv("TMPDIR", previous.c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }
}
