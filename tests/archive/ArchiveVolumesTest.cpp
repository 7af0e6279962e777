#include "archive/ArchiveVolumes.h"

#include <gtest/gtest.h>

#include "support/Files.h"
#include "support/TempDir.h"

namespace {

class GatherVolumesTest : public ::testing::Test {
protected:
    void Files(std::initializer_list<const char*> names) {
        for (const char* name : names) testsupport::WriteFile(dir / name, "v");
    }
    std::vector<std::string> Paths(std::initializer_list<const char*> names) {
        std::vector<std::string> paths;
        for (const char* name : names) paths.push_back(dir / name);
        return paths;
    }

    testsupport::TempDir dir;
};

TEST_F(GatherVolumesTest, PartNumbersKeepTheirWidth) {
    Files({"A.part1.rar", "A.part2.rar", "A.part10.rar", "B.part01.rar", "B.part02.rar",
           "C.part001.rar", "C.part002.rar", "C.part003.rar"});
    // A.part3 is missing while A.part10 exists.
    const VolumeSet a = GatherVolumes(dir / "A.part1.rar");
    EXPECT_EQ(a.paths, Paths({"A.part1.rar", "A.part2.rar"}));
    EXPECT_EQ(a.missingVolume, "A.part3.rar");
    EXPECT_EQ(GatherVolumes(dir / "B.part01.rar").paths, Paths({"B.part01.rar", "B.part02.rar"}));
    const VolumeSet c = GatherVolumes(dir / "C.part001.rar");
    EXPECT_EQ(c.paths, Paths({"C.part001.rar", "C.part002.rar", "C.part003.rar"}));
    EXPECT_TRUE(c.missingVolume.empty());
}

TEST_F(GatherVolumesTest, OldRarNumbering) {
    Files({"Game.rar", "Game.r00", "Game.R01", "Game.r02", "Other.r00"});
    EXPECT_EQ(GatherVolumes(dir / "Game.rar").paths,
              Paths({"Game.rar", "Game.r00", "Game.R01", "Game.r02"}));
    Files({"Gap.rar", "Gap.r00", "Gap.r02"});
    EXPECT_EQ(GatherVolumes(dir / "Gap.rar").missingVolume, "Gap.r01");
}

TEST_F(GatherVolumesTest, NumberedVolumes) {
    Files({"Game.7z.001", "Game.7z.002", "Game.7z.003", "Game.7z.005"});
    const VolumeSet set = GatherVolumes(dir / "Game.7z.001");
    EXPECT_EQ(set.paths, Paths({"Game.7z.001", "Game.7z.002", "Game.7z.003"}));
    EXPECT_EQ(set.missingVolume, "Game.7z.004");
}

TEST_F(GatherVolumesTest, SingleArchives) {
    Files({"Game.zip", "Game.z", "Game.zz1", "Solo.rar", "Solo.7z"});
    EXPECT_EQ(GatherVolumes(dir / "Game.zip").paths, Paths({"Game.zip"}));
    const VolumeSet solo = GatherVolumes(dir / "Solo.rar");
    EXPECT_EQ(solo.paths, Paths({"Solo.rar"}));
    EXPECT_TRUE(solo.missingVolume.empty());
    // The literal part of a name is no pattern.
    Files({"What?.rar", "WhatX.r00"});
    EXPECT_EQ(GatherVolumes(dir / "What?.rar").paths, Paths({"What?.rar"}));
}

}  // namespace

namespace {

// Spanned zips, and a volume missing anywhere: first, middle or last.
TEST_F(GatherVolumesTest, SpannedZipsAndMissingVolumesAnywhere) {
    Files({"S.z01", "S.Z02", "S.zip", "T.z01", "T.z02", "U.z02", "U.zip", "V.part2.rar", "W.r00",
           "X.7z.002", "Y.rar"});
    // Found by its .zip or by its first part, the set is the parts, then the zip.
    const std::vector<std::string> spanned = Paths({"S.z01", "S.Z02", "S.zip"});
    EXPECT_EQ(GatherVolumes(dir / "S.zip").paths, spanned);
    EXPECT_EQ(GatherVolumes(dir / "S.z01").paths, spanned);
    EXPECT_TRUE(GatherVolumes(dir / "S.zip").missingVolume.empty());

    struct Case {
        const char* first;
        const char* missing;
    };
    for (const Case& c :
         {Case{"T.z01", "T.zip"}, Case{"U.zip", "U.z01"}, Case{"V.part1.rar", "V.part1.rar"},
          Case{"W.rar", "W.rar"}, Case{"X.7z.001", "X.7z.001"}}) {
        EXPECT_EQ(GatherVolumes(dir / c.first).missingVolume, c.missing) << c.first;
    }
    // The volume after the last one found, for a set whose data runs out.
    EXPECT_EQ(GatherVolumes(dir / "V.part2.rar").nextVolume, "V.part3.rar");
    EXPECT_EQ(GatherVolumes(dir / "Y.rar").nextVolume, "Y.r00");
}

TEST(FirstVolumeOfLaterOnes, NamesTheFirstVolumeOfAnOrphanedSet) {
    struct Case {
        const char* base;
        std::vector<std::string> names;
        std::optional<std::string> first;
    };
    const std::vector<Case> cases = {
        {"/g/X", {"X.part2.rar", "X.part3.rar"}, "/g/X.part1.rar"},
        {"/g/X", {"X.Part03.RAR"}, "/g/X.Part01.RAR"},
        {"/g/X", {"X.r00", "X.r01"}, "/g/X.rar"},
        {"/g/X", {"X.R05"}, "/g/X.RAR"},
        {"/g/X", {"X.z02"}, "/g/X.z01"},
        {"/g/X.7z", {"X.7z.002", "X.7z.003"}, "/g/X.7z.001"},
        {"/g/X", {"X.iso", "X.cue"}, std::nullopt},
        {"/g/X", {"X.part1.rar"}, std::nullopt},
        {"/g/X", {"X.z01"}, std::nullopt},
        {"/g/X", {"X.001", "X.txt"}, std::nullopt},
        {"/g/X", {"XY.part2.rar"}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FirstVolumeOfLaterOnes(c.base, c.names), c.first) << c.names.front();
    }
}

}  // namespace
