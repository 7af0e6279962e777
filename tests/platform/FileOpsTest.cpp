#include "platform/FileOps.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "support/Files.h"
#include "support/NoLinkFileSystem.h"
#include "support/TempDir.h"

using namespace platform;
using testsupport::ListNames;
using testsupport::MakeDirs;
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

// A rewrite used to hand a sheet of another user (or of mode 0444) to
// whoever ran the program.
TEST(ReplaceFileContent, KeepsOwnerGroupAndMode) {
    TempDir dir;
    struct Case {
        unsigned mode;
        uid_t owner;  // 0: this process's own
        gid_t group;
    };
    std::vector<Case> cases = {{0444, 0, 0}, {0640, 0, 0}, {02755, 0, 0}};
    if (geteuid() == 0) cases.push_back({0604, 65534, 65534});
    for (const Case& c : cases) {
        const std::string sheet = dir / "Game.cue";
        WriteFile(sheet, "old");
        if (c.owner != 0) {
            ASSERT_EQ(chown(sheet.c_str(), c.owner, c.group), 0);
        }
        ASSERT_EQ(chmod(sheet.c_str(), c.mode), 0);
        struct stat before;
        ASSERT_EQ(stat(sheet.c_str(), &before), 0);
        EXPECT_TRUE(ReplaceFileContent(sheet, "new")) << std::oct << c.mode;
        EXPECT_EQ(ReadFile(sheet), "new");
        struct stat after;
        ASSERT_EQ(stat(sheet.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode & 07777, c.mode);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
        EXPECT_EQ(ListNames(dir.Path()), (std::vector<std::string>{"Game.cue"}));
        ASSERT_EQ(unlink(sheet.c_str()), 0);
    }
}

// A hard-linked sheet used to split in two: the file is left as it is and
// the caller learns why. So is a file whose owner a user cannot give back.
TEST(ReplaceFileContent, LeavesAHardLinkedFileOrOneOfAnotherUserWithAReason) {
    TempDir dir;
    WriteFile(dir / "Game.cue", "old");
    ASSERT_EQ(link((dir / "Game.cue").c_str(), (dir / "Copy.cue").c_str()), 0);
    errno = 0;
    EXPECT_FALSE(ReplaceFileContent(dir / "Game.cue", "new"));
    EXPECT_EQ(errno, EMLINK);
    EXPECT_EQ(ReadFile(dir / "Copy.cue"), "old");
    struct stat status;
    ASSERT_EQ(stat((dir / "Game.cue").c_str(), &status), 0);
    EXPECT_EQ(status.st_nlink, 2u);
    EXPECT_EQ(ListNames(dir.Path()), (std::vector<std::string>{"Copy.cue", "Game.cue"}));

    if (geteuid() != 0) return;  // only root can make a file of another user
    ASSERT_EQ(unlink((dir / "Copy.cue").c_str()), 0);
    ASSERT_EQ(chmod(dir.Path().c_str(), 0777), 0);
    ASSERT_EQ(chown((dir / "Game.cue").c_str(), 4321, 4321), 0);
    const pid_t child = fork();
    if (child == 0) {
        // A user who may write the folder, but may not give a file away.
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(100);
        errno = 0;
        const bool replaced = ReplaceFileContent(dir / "Game.cue", "new");
        _exit(replaced ? 101 : errno);
    }
    int status2 = 0;
    ASSERT_EQ(waitpid(child, &status2, 0), child);
    ASSERT_TRUE(WIFEXITED(status2));
    EXPECT_EQ(WEXITSTATUS(status2), EPERM);
    EXPECT_EQ(ReadFile(dir / "Game.cue"), "old");
    ASSERT_EQ(stat((dir / "Game.cue").c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, 4321u);
    EXPECT_EQ(ListNames(dir.Path()), (std::vector<std::string>{"Game.cue"}));
}

// The temporary's name is the file's with an ending; a file whose name was
// already as long as a name may be could not be rewritten.
TEST(ReplaceFileContent, RewritesAFileWithTheLongestName) {
    TempDir dir;
    // 84 three-byte characters and ".cue": 256 bytes would be one too many.
    std::string name;
    for (int i = 0; i < 83; ++i) name += "\xE3\x81\x82";  // HIRAGANA A
    name += "ab.cue";
    ASSERT_EQ(name.size(), 255u);
    WriteFile(dir / name, "old");
    EXPECT_TRUE(ReplaceFileContent(dir / name, "new"));
    EXPECT_EQ(ReadFile(dir / name), "new");
    EXPECT_EQ(ListNames(dir.Path()), (std::vector<std::string>{name}));
}

// A rewritten file reaches the disk before it takes the old one's place: a
// crash right after the rename could otherwise leave an empty file.
TEST(ReplaceFileContent, WritesTheNewFileToTheDiskBeforeTheRename) {
    if (!testsupport::OnFileSystemWithoutLinks())
        return testsupport::RerunOnFileSystemWithoutLinks();
    TempDir dir;
    WriteFile(dir / "games.csv", "old");
    setenv("ORVANE_SHIM_LOG", (dir / "calls").c_str(), 1);
    const bool replaced = ReplaceFileContent(dir / "games.csv", "new");
    unsetenv("ORVANE_SHIM_LOG");
    ASSERT_TRUE(replaced);
    const std::string calls = ReadFile(dir / "calls");
    const std::size_t rename = calls.find("rename ");
    ASSERT_NE(rename, std::string::npos) << calls;
    const std::size_t end = calls.find(' ', rename + 7);
    const std::string temporary = calls.substr(rename + 7, end - rename - 7);
    EXPECT_EQ(calls.substr(0, rename), "fdatasync " + temporary + "\n") << calls;
    EXPECT_EQ(ReadFile(dir / "games.csv"), "new");
}

// A sheet or playlist that is a link is rewritten at its target: a target
// outside the folder given must be told apart.
TEST(LinkLeadsOutside, FollowsChainsAndRelativeTargetsToTheEnd) {
    TempDir dir;
    MakeDirs(dir / "scan/sub");
    MakeDirs(dir / "outside");
    WriteFile(dir / "scan/Game.cue", "x");
    WriteFile(dir / "outside/Game.cue", "x");
    ASSERT_EQ(symlink("scan", (dir / "scan-link").c_str()), 0);
    struct Link {
        const char* name;
        const char* target;  // nullptr: a plain file
        bool outside;
    };
    const Link links[] = {
        {"plain.cue", nullptr, false},
        {"absolute.cue", "", false},  // the absolute path of scan/Game.cue
        {"relative.cue", "Game.cue", false},
        {"sub/up.cue", "../Game.cue", false},
        {"out.cue", "../outside/Game.cue", true},
        {"via-folder-link.cue", "../scan-link/Game.cue", false},
        {"chain-out.cue", "out.cue", true},
        {"chain-back.cue", "../outside/back.cue", false},  // outside/back.cue leads back in
        {"dangling.cue", "missing.cue", true},
        {"loop.cue", "loop.cue", true},
        {"to-the-folder", ".", false},
    };
    ASSERT_EQ(symlink((dir / "scan/Game.cue").c_str(), (dir / "outside/back.cue").c_str()), 0);
    for (const Link& link : links) {
        const std::string path = dir / ("scan/" + std::string(link.name));
        if (link.target == nullptr) {
            WriteFile(path, "x");
        } else {
            const std::string target = *link.target ? link.target : dir / "scan/Game.cue";
            ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0) << link.name;
        }
    }
    for (const std::string& folder : {dir / "scan", dir / "scan-link", dir / "scan/"}) {
        for (const Link& link : links) {
            EXPECT_EQ(LinkLeadsOutside(dir / ("scan/" + std::string(link.name)), folder),
                      link.outside)
                << link.name << " in " << folder;
        }
    }
    EXPECT_FALSE(LinkLeadsOutside(dir / "scan/missing.cue", dir / "scan"));
    // The folder above holds everything below it.
    EXPECT_FALSE(LinkLeadsOutside(dir / "scan/out.cue", dir.Path()));
    EXPECT_FALSE(LinkLeadsOutside(dir / "scan/out.cue", "/"));
}

TEST(EmptyFolder, RemovesWhatIsInsideAndKeepsTheFolder) {
    TempDir dir;
    MakeDirs(dir / "outside");
    WriteFile(dir / "outside/precious", "keep");
    MakeDirs(dir / "folder/a/b");
    WriteFile(dir / "folder/a/b/file", "x");
    ASSERT_EQ(symlink((dir / "outside").c_str(), (dir / "folder/link").c_str()), 0);
    ASSERT_EQ(symlink((dir / "outside").c_str(), (dir / "linked").c_str()), 0);
    EXPECT_TRUE(EmptyFolder(dir / "folder"));
    EXPECT_TRUE(ListNames(dir / "folder").empty());
    EXPECT_FALSE(EmptyFolder(dir / "linked"));  // a link to a folder is not followed
    EXPECT_FALSE(EmptyFolder(dir / "outside/precious"));
    EXPECT_FALSE(EmptyFolder(dir / "missing"));
    EXPECT_EQ(ReadFile(dir / "outside/precious"), "keep");
}
