#include "run/FileEnumeration.h"

#include "archive/ArchiveVolumes.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/Files.h"
#include "support/TempDir.h"

using testsupport::MakeDirs;
using testsupport::TempDir;
using testsupport::WriteFile;

TEST(EnumerateFiles, WalksDepthFirstInNameOrderWithoutFollowingLinks) {
    TempDir dir;
    MakeDirs(dir / "scan/B");
    MakeDirs(dir / "scan/a/deeper");
    MakeDirs(dir / "elsewhere");
    WriteFile(dir / "elsewhere/outside.iso", "x");
    for (const char* name : {"scan/Z.iso", "scan/c.bin", "scan/B/b.iso", "scan/a/x.bin",
                             "scan/a/deeper/d.iso", "scan/.hidden"}) {
        WriteFile(dir / name, "x");
    }
    ASSERT_EQ(symlink((dir / "elsewhere").c_str(), (dir / "scan/link").c_str()), 0);

    const std::string scan = dir / "scan";
    std::vector<std::string> flat;
    EnumerateFiles(scan, false, flat);
    EXPECT_EQ(flat,
              (std::vector<std::string>{scan + "/.hidden", scan + "/c.bin", scan + "/Z.iso"}));

    std::vector<std::string> deep;
    EnumerateFiles(scan, true, deep);
    EXPECT_EQ(deep, (std::vector<std::string>{scan + "/.hidden", scan + "/a/deeper/d.iso",
                                              scan + "/a/x.bin", scan + "/B/b.iso", scan + "/c.bin",
                                              scan + "/Z.iso"}));

    // The folder text is kept as typed.
    std::vector<std::string> typed;
    EnumerateFiles(scan + "/", false, typed);
    EXPECT_EQ(typed.front(), scan + "//.hidden");
}

TEST(ReduceToBaseNames, CutsExtensionsAndVolumeSuffixesAndAdjacentRepeats) {
    std::vector<std::string> files{
        "/g/X.bin",          "/g/X.cue",         "/g/R.part1.rar",    "/g/R.part2.rar",
        "/g/R.part3.rar",    "/g/T.part01.rar",  "/g/T.part12.rar",   "/g/Z.part0.rar",
        "/g/S.7z.001",       "/g/S.7z.002",      "/g/C.Part1.RAR",    "/g/C.PART2.rar",
        "/g/Q.part0001.rar", "/g/H.part999.rar", "/g/My.Games/notes", "/g/Y.iso",
        "/g/X.txt",          "/g/.iso",          "/g/v2.d/.x.part1"};
    std::vector<std::string> rename = files;
    ReduceToBaseNames(rename, true);
    EXPECT_EQ(rename, (std::vector<std::string>{
                          "/g/X", "/g/R", "/g/T", "/g/Z.part0", "/g/S.7z", "/g/C", "/g/Q.part0001",
                          "/g/H", "/g/My.Games/notes", "/g/Y", "/g/X", "/g/.iso", "/g/v2.d/.x"}));

    std::vector<std::string> list = files;
    ReduceToBaseNames(list, false);
    EXPECT_EQ(list[1], "/g/R.part1");
    EXPECT_EQ(list[2], "/g/R.part2");

    std::vector<std::string> noDot{"/games/README", "/games/README"};
    ReduceToBaseNames(noDot, true);
    EXPECT_EQ(noDot, (std::vector<std::string>{"/games/README"}));
}

TEST(IsPartSuffix, AcceptsOnlyVolumeNumbersOneTo999) {
    for (const char* yes : {".part1", ".part9", ".part01", ".part10", ".part99", ".part001",
                            ".part010", ".part999", ".Part1", ".PART07", ".pArT123"}) {
        EXPECT_TRUE(IsPartSuffix(yes)) << yes;
    }
    for (const char* no : {".part0", ".Part00", ".part000", ".part1000", ".part", ".Part",
                           ".part1a", "part1", ".part-1", ".part 1", ".parts1"}) {
        EXPECT_FALSE(IsPartSuffix(no)) << no;
    }
}
