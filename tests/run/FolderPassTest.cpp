#include "run/FolderPass.h"

#include "rename/FileActions.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "run/ReleaseDate.h"
#include "support/Files.h"
#include "support/TempDir.h"
#include "support/TimeZone.h"

using testsupport::InZone;
using testsupport::ListNames;
using testsupport::MakeDirs;
using testsupport::ModifiedTime;
using testsupport::TempDir;
using testsupport::WriteFile;

TEST(FolderPass, SeveralDiscsOfOneGameRenameTheirFolderOnceWithoutTheMarker) {
    TempDir dir;
    const std::string scan = dir / "scan";
    MakeDirs(scan + "/Old Folder");
    MakeDirs(scan + "/Single");
    DiskFileActions disk;
    FolderRenameList folders(scan, false);
    folders.AddFolderEntry(scan + "/Old Folder/Name Disc1", "Name Disc1", std::nullopt);
    folders.AddFolderEntry(scan + "/Old Folder/Name Disc2", "Name Disc2", std::nullopt);
    folders.AddFolderEntry(scan + "/Single/Other Disc1", "Other Disc1", std::nullopt);
    folders.ExecuteFolderRenames(disk);
    EXPECT_EQ(ListNames(scan), (std::vector<std::string>{"Name", "Other Disc1"}));
}

TEST(FolderPass, OnlyTheNewNameLosesItsDiscMarker) {
    TempDir dir;
    const std::string scan = dir / "My Disc Set";
    MakeDirs(scan + "/games/a");
    DiskFileActions disk;
    FolderRenameList folders(scan, false);
    folders.AddFolderEntry(scan + "/games/a/Name Disc1", "Name Disc1", std::nullopt);
    folders.AddFolderEntry(scan + "/games/a/Name Disc2", "Name Disc2", std::nullopt);
    folders.ExecuteFolderRenames(disk);
    EXPECT_EQ(ListNames(scan + "/games"), (std::vector<std::string>{"Name"}));
}

TEST(FolderPass, NeverRenamesTheScanFolderHoweverItIsNamed) {
    TempDir dir;
    const std::string scan = dir / "scan";
    MakeDirs(scan);
    ASSERT_EQ(symlink(scan.c_str(), (dir / "link").c_str()), 0);
    DiskFileActions disk;
    FolderRenameList folders(scan, false);
    folders.AddFolderEntry(scan + "/Game", "New", std::nullopt);
    folders.AddFolderEntry(dir / "./scan/Game", "New", std::nullopt);
    folders.AddFolderEntry(dir / "link/Game", "New", std::nullopt);
    folders.AddFolderEntry(scan + "//Game", "New", std::nullopt);
    EXPECT_TRUE(folders.Entries().empty());

    FolderRenameList trailing(scan + "/", false);
    trailing.AddFolderEntry(scan + "//Game", "New", std::nullopt);
    EXPECT_TRUE(trailing.Entries().empty());
    trailing.ExecuteFolderRenames(disk);
    EXPECT_EQ(ListNames(dir.Path()), (std::vector<std::string>{"link", "scan"}));
}

TEST(FolderPass, NamesThatAreNoPlainNameAndTakenNamesMoveNothing) {
    TempDir dir;
    const std::string scan = dir / "scan";
    MakeDirs(scan + "/a");
    MakeDirs(scan + "/b");
    MakeDirs(scan + "/Taken");
    WriteFile(scan + "/Taken/keep", "k");
    DiskFileActions disk;
    FolderRenameList folders(scan, true);
    folders.AddFolderEntry(scan + "/a/Game", "Taken", 946566000);
    folders.AddFolderEntry(scan + "/b/Game", "x/y", 946566000);
    EXPECT_EQ(folders.Entries().size(), 1u);
    const std::int64_t takenTime = ModifiedTime(scan + "/Taken");
    folders.ExecuteFolderRenames(disk);
    EXPECT_EQ(ListNames(scan), (std::vector<std::string>{"Taken", "a", "b"}));
    EXPECT_EQ(testsupport::ReadFile(scan + "/Taken/keep"), "k");
    EXPECT_EQ(ModifiedTime(scan + "/Taken"), takenTime);  // not the renamed folder: not dated
}

TEST(FolderPass, DatesRenamedFoldersAtLocalMidnightOfTheReleaseDay) {
    InZone tokyo("Asia/Tokyo");
    TempDir dir;
    const std::string scan = dir / "scan";
    MakeDirs(scan + "/old");
    const auto release = ParseReleaseDate("991231");
    ASSERT_TRUE(release);
    DiskFileActions disk;
    FolderRenameList folders(scan, true);
    folders.AddFolderEntry(scan + "/old/Game", "Game (1999)", release);
    folders.ExecuteFolderRenames(disk);
    EXPECT_EQ(ModifiedTime(scan + "/Game (1999)"), 946566000);  // 1999-12-31 00:00 JST
}

TEST(FolderPass, FolderTimeFollowsTheStandardOffsetInSummerTime) {
    InZone berlin("Europe/Berlin");
    const std::int64_t winter = *ParseReleaseDate("20000115");
    const std::int64_t summer = *ParseReleaseDate("20000701");
    EXPECT_EQ(FolderTime(winter), winter);
    EXPECT_EQ(FolderTime(summer), summer + 3600);
}
