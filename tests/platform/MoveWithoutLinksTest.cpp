// Moves on the file systems collections are kept on: local ones, ones without
// the no-replace rename and without hard links (the preloaded shim), and a
// real exFAT mounted through FUSE where the machine allows it.
#include <errno.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/FileOps.h"
#include "support/Files.h"
#include "support/NoLinkFileSystem.h"
#include "support/TempDir.h"

using namespace platform;
using testsupport::ListNames;
using testsupport::MakeDirs;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
using Names = std::vector<std::string>;

namespace {

// A folder on another file system than `dir`, or "" when there is none.
std::string OtherFileSystemThan(const std::string& dir) {
    struct stat here;
    struct stat shm;
    if (stat(dir.c_str(), &here) != 0 || stat("/dev/shm", &shm) != 0) return {};
    return here.st_dev != shm.st_dev && access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "";
}

// Every kind of move, in an order where each row sees what the rows before
// it left: refused moves keep both sides and say why, made ones move, and no
// reservation is left behind by a move that failed.
void CheckMovesNeverReplace(const std::string& dir, bool symlinks) {
    WriteFile(dir + "/a.bin", "A");
    WriteFile(dir + "/b.bin", "B");
    MakeDirs(dir + "/empty");
    MakeDirs(dir + "/two");
    WriteFile(dir + "/two/in", "in");
    if (symlinks) {
        ASSERT_EQ(symlink("nowhere", (dir + "/dangling").c_str()), 0);
    }

    struct Move {
        const char* from;
        const char* to;
        int error;  // 0: the move is made
    };
    std::vector<Move> moves = {
        {"a.bin", "b.bin", EEXIST}, {"a.bin", "empty", EEXIST}, {"two", "empty", EEXIST},
        {"two", "b.bin", EEXIST},   {"two", "two/sub", EINVAL}, {"a.bin", "missing/a.bin", ENOENT},
        {"a.bin", "c.bin", 0},      {"two", "three", 0},
    };
    if (symlinks) moves.push_back({"c.bin", "dangling", EEXIST});
    for (const Move& move : moves) {
        errno = 0;
        const bool moved = MovePath(dir + "/" + move.from, dir + "/" + move.to);
        EXPECT_EQ(moved, move.error == 0) << move.from << " -> " << move.to;
        if (!moved) {
            EXPECT_EQ(errno, move.error)
                << move.from << " -> " << move.to << ": " << std::strerror(errno);
        }
    }
    Names expected = {"b.bin", "c.bin", "empty", "three"};
    if (symlinks) expected.insert(expected.begin() + 2, "dangling");
    EXPECT_EQ(ListNames(dir), expected);
    EXPECT_EQ(ReadFile(dir + "/b.bin"), "B");
    EXPECT_EQ(ReadFile(dir + "/c.bin"), "A");
    EXPECT_TRUE(ListNames(dir + "/empty").empty());
    EXPECT_EQ(ListNames(dir + "/three"), Names{"in"});
    if (symlinks) {
        char target[16] = {};
        EXPECT_EQ(readlink((dir + "/dangling").c_str(), target, sizeof target - 1), 7);
        EXPECT_STREQ(target, "nowhere");
    }

    // A move the rename itself refuses, after every earlier step passed.
    const std::string other = OtherFileSystemThan(dir);
    if (other.empty()) return;
    const TempDir elsewhere(other);
    errno = 0;
    EXPECT_FALSE(MovePath(dir + "/c.bin", elsewhere / "c.bin"));
    EXPECT_EQ(errno, EXDEV) << std::strerror(errno);
    EXPECT_TRUE(ListNames(elsewhere.Path()).empty());
    EXPECT_EQ(ReadFile(dir + "/c.bin"), "A");
}

}  // namespace

TEST(MovePath, NeverReplacesAndSaysWhyOnALocalFileSystem) {
    TempDir dir;
    CheckMovesNeverReplace(dir.Path(), true);
}

// exfat-fuse, SMB through gvfs, rclone and MTP mounts answer the no-replace
// rename with EINVAL and a hard link with EPERM; every move used to fail as
// "permission denied".
TEST(MovePath, MovesWithoutNoReplaceRenameOrHardLinks) {
    if (!testsupport::OnFileSystemWithoutLinks())
        return testsupport::RerunOnFileSystemWithoutLinks();
    TempDir dir;
    WriteFile(dir / "probe", "");
    ASSERT_NE(link((dir / "probe").c_str(), (dir / "probe2").c_str()), 0);
    ASSERT_EQ(errno, EPERM);
    ASSERT_EQ(unlink((dir / "probe").c_str()), 0);
    CheckMovesNeverReplace(dir.Path(), true);
}

// The same on a real exFAT mounted through FUSE: needs root (for the loop
// device), exfatprogs and exfat-fuse.
TEST(MovePath, MovesOnExfatThroughFuse) {
    TempDir dir;
    if (geteuid() != 0 || !testsupport::HaveTool("mkfs.exfat") ||
        !testsupport::HaveTool("mount.exfat-fuse")) {
        GTEST_SKIP() << "needs root, mkfs.exfat and mount.exfat-fuse";
    }
    const std::string quoted = testsupport::ShellQuote(dir.Path());
    MakeDirs(dir / "mnt");
    if (testsupport::RunCommand("cd " + quoted +
                                " && truncate -s 8M exfat.img && mkfs.exfat exfat.img >/dev/null "
                                "&& mount -t exfat-fuse -o loop exfat.img mnt 2>/dev/null") != 0) {
        GTEST_SKIP() << "exFAT cannot be mounted here";
    }
    struct Unmount {
        std::string mountPoint;
        ~Unmount() { testsupport::RunCommand("umount " + testsupport::ShellQuote(mountPoint)); }
    } unmount{dir / "mnt"};
    CheckMovesNeverReplace(dir / "mnt", false);
    // A rewritten file takes its old name's place there too.
    WriteFile(dir / "mnt/Game.cue", "FILE \"a.bin\" BINARY\r\n");
    EXPECT_TRUE(ReplaceFileContent(dir / "mnt/Game.cue", "FILE \"b.bin\" BINARY\r\n"));
    EXPECT_EQ(ReadFile(dir / "mnt/Game.cue"), "FILE \"b.bin\" BINARY\r\n");
    for (const std::string& name : ListNames(dir / "mnt")) {
        EXPECT_EQ(name.find(TEMPORARY_MARKER), std::string::npos) << name;
    }
}
