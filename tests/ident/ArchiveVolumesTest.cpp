#include "ident/ArchiveVolumes.h"

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
    Files({"Game.zip", "Game.z01", "Solo.rar", "Solo.7z"});
    EXPECT_EQ(GatherVolumes(dir / "Game.zip").paths, Paths({"Game.zip"}));
    const VolumeSet solo = GatherVolumes(dir / "Solo.rar");
    EXPECT_EQ(solo.paths, Paths({"Solo.rar"}));
    EXPECT_TRUE(solo.missingVolume.empty());
    // The literal part of a name is no pattern.
    Files({"What?.rar", "WhatX.r00"});
    EXPECT_EQ(GatherVolumes(dir / "What?.rar").paths, Paths({"What?.rar"}));
}

}  // namespace
