#include "image/CloneCDParser.h"

#include "image/DescriptorFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Files.h"
#include "support/TempDir.h"

namespace {

using testsupport::TempDir;
using testsupport::WriteFile;

struct TocPoint {
    int session;
    std::string point;
    std::string control;
    int plba;
};

struct ControlFile {
    std::string version = "2";
    std::string scrambled = "0";
    std::vector<std::string> preGapModes = {"2"};
    std::vector<TocPoint> entries = {{1, "0xa0", "0x04", 0},
                                     {1, "0xa1", "0x04", 0},
                                     {1, "0xa2", "0x04", 1000},
                                     {1, "0x01", "0x04", 0}};

    std::string Text() const {
        std::string text = "[CloneCD]\r\nVersion=" + version +
                           "\r\n[Disc]\r\nTocEntries=" + std::to_string(entries.size()) +
                           "\r\nSessions=" + std::to_string(preGapModes.size()) +
                           "\r\nDataTracksScrambled=" + scrambled + "\r\nCDTextLength=0\r\n";
        for (std::size_t s = 0; s < preGapModes.size(); ++s) {
            text += "[Session " + std::to_string(s + 1) + "]\r\nPreGapMode=" + preGapModes[s] +
                    "\r\nPreGapSubC=0\r\n";
        }
        for (std::size_t n = 0; n < entries.size(); ++n) {
            const TocPoint& entry = entries[n];
            text += "[Entry " + std::to_string(n) +
                    "]\r\nSession=" + std::to_string(entry.session) + "\r\nPoint=" + entry.point +
                    "\r\nADR=0x01\r\nPLBA=" + std::to_string(entry.plba) +
                    "\r\nControl=" + entry.control + "\r\n";
        }
        return text;
    }
};

class CloneCDParserTest : public ::testing::Test {
protected:
    CloneCDParserTest() { WriteFile(dir / "disc.img", std::string(2352, '\0')); }

    // The control file's text parsed, and its image file found on disk.
    bool Parse(const std::string& text) {
        DescriptorParse parse = ResolveCloneCD(ParseCloneCD(text), controlPath, DiskFiles());
        table = parse.table;
        return parse.accepted;
    }
    bool Parse(const ControlFile& control) { return Parse(control.Text()); }
    const TrackEntry& Row(int i) const { return table.At(i); }

    TempDir dir;
    std::string controlPath = dir / "disc.ccd";
    TrackTable table;
};

TEST_F(CloneCDParserTest, DataTrackOfAPreGapMode2SessionIsMode2) {
    ASSERT_TRUE(Parse(ControlFile{}));
    ASSERT_EQ(table.Count(), 1);
    EXPECT_EQ(Row(0).index, 0);
    EXPECT_EQ(Row(0).file, dir / "disc.img");
    EXPECT_EQ(Row(0).mode, TrackMode::Mode2);
    EXPECT_EQ(Row(0).sectorSize, 2352);
    EXPECT_EQ(Row(0).dataOffset, 0);
}

TEST_F(CloneCDParserTest, PreGapMode1GivesMode1AndClearDataBitGivesAudio) {
    ControlFile control;
    control.preGapModes = {"1"};
    ASSERT_TRUE(Parse(control));
    EXPECT_EQ(Row(0).mode, TrackMode::Mode1);

    control.entries.push_back({1, "2", "0x00", 600});
    control.entries.push_back({1, "3", "2", 700});
    ASSERT_TRUE(Parse(control));
    ASSERT_EQ(table.Count(), 3);
    EXPECT_EQ(Row(1).mode, TrackMode::Audio);
    EXPECT_EQ(Row(1).dataOffset, 600 * 2352);
    EXPECT_EQ(Row(2).mode, TrackMode::Audio);
}

TEST_F(CloneCDParserTest, SecondSessionTracksCloseTheGapBetweenSessions) {
    ControlFile control;
    control.preGapModes = {"2", "2"};
    control.entries = {{1, "0xa0", "0x04", 0},     {1, "0xa1", "0x04", 0},
                       {1, "0xa2", "0x04", 1000},  {1, "0x01", "0x04", 0},
                       {1, "0xb0", "0x05", 0},     {2, "0xa0", "0x04", 0},
                       {2, "0xa1", "0x04", 0},     {2, "0xa2", "0x04", 14000},
                       {2, "0x02", "0x04", 12400}, {2, "0x03", "0x00", 13000}};
    ASSERT_TRUE(Parse(control));
    ASSERT_EQ(table.Count(), 3);
    // Session 2 begins 11400 sectors after session 1's lead-out on the disc,
    // but right after session 1's sectors in the file.
    EXPECT_EQ(Row(1).dataOffset, 1000 * 2352);
    EXPECT_EQ(Row(2).dataOffset, 1600 * 2352);
    EXPECT_EQ(Row(2).mode, TrackMode::Audio);
    // Each track holds its sectors up to the next track of its session or
    // the session's lead-out; the gap between the sessions belongs to none.
    EXPECT_EQ(Row(0).firstSector, 0);
    EXPECT_EQ(Row(0).sectorCount, 1000);
    EXPECT_EQ(Row(1).firstSector, 12400);
    EXPECT_EQ(Row(1).sectorCount, 600);
    EXPECT_EQ(Row(2).sectorCount, 1000);
}

TEST_F(CloneCDParserTest, Versions2And3AreRead) {
    ControlFile control;
    // Current CloneCD writes version 3, with a byte-order mark when saved on Windows.
    control.version = "3";
    EXPECT_TRUE(Parse("\xEF\xBB\xBF" + control.Text()));
    EXPECT_EQ(Row(0).mode, TrackMode::Mode2);
    for (const char* refused : {"", "1", "4"}) {
        control.version = refused;
        EXPECT_FALSE(Parse(control)) << refused;
    }
    control.version = "2 ";
    EXPECT_TRUE(Parse(control));
    EXPECT_FALSE(Parse("[Disc]\r\nTocEntries=0\r\nSessions=0\r\nDataTracksScrambled=0\r\n"));
}

TEST_F(CloneCDParserTest, ScrambledOrIncompleteDiscSectionFails) {
    ControlFile control;
    control.scrambled = "1";
    EXPECT_FALSE(Parse(control));
    control.scrambled = "";
    EXPECT_FALSE(Parse(control));
    EXPECT_FALSE(Parse("[CloneCD]\nVersion=2\n[Disc]\nSessions=1\nDataTracksScrambled=0\n"));
    EXPECT_FALSE(Parse("[CloneCD]\nVersion=2\n[Disc]\nTocEntries=1\nDataTracksScrambled=0\n"));
}

TEST_F(CloneCDParserTest, EverySessionNeedsAPreGapMode) {
    ControlFile control;
    control.preGapModes = {"2", ""};
    EXPECT_FALSE(Parse(control));
}

TEST_F(CloneCDParserTest, AHundredSessionsFitAndMoreFail) {
    ControlFile control;
    control.preGapModes.assign(100, "2");
    EXPECT_TRUE(Parse(control));
    control.preGapModes.assign(101, "2");
    EXPECT_FALSE(Parse(control));
}

TEST_F(CloneCDParserTest, EntrySessionMustBeOneOfTheTable) {
    ControlFile control;
    control.entries.back().session = 0;
    EXPECT_FALSE(Parse(control));
    control.entries.back().session = 101;
    EXPECT_FALSE(Parse(control));
    control.entries.back().session = 100;
    EXPECT_TRUE(Parse(control));
}

TEST_F(CloneCDParserTest, TrackPointsOutsideTheTableFail) {
    ControlFile control;
    control.entries.back().point = "0x00";
    EXPECT_FALSE(Parse(control));
    control.entries.back().point = "0x64";
    EXPECT_FALSE(Parse(control));
    control.entries.back().point = "0x9f";
    EXPECT_FALSE(Parse(control));
    control.entries.back().point = "0x63";
    ASSERT_TRUE(Parse(control));
    EXPECT_EQ(Row(98).index, 98);
}

TEST_F(CloneCDParserTest, MoreThanNinetyNineTracksFail) {
    ControlFile control;
    for (int n = 0; n < 98; ++n) control.entries.push_back({1, "0x01", "0x04", 0});
    EXPECT_TRUE(Parse(control));
    EXPECT_EQ(table.Count(), 99);
    control.entries.push_back({1, "0x01", "0x04", 0});
    EXPECT_FALSE(Parse(control));
}

TEST_F(CloneCDParserTest, EntriesWithoutReadablePointAreSkipped) {
    ControlFile control;
    control.entries.insert(control.entries.begin(), {1, "", "0x04", 0});
    control.entries.insert(control.entries.begin(), {1, "zz", "0x04", 0});
    ASSERT_TRUE(Parse(control));
    EXPECT_EQ(table.Count(), 1);
}

TEST_F(CloneCDParserTest, MissingEntrySectionsAreSkipped) {
    std::string text = ControlFile{}.Text();
    const std::size_t at = text.find("TocEntries=4");
    text.replace(at, 12, "TocEntries=9");
    ASSERT_TRUE(Parse(text));
    EXPECT_EQ(table.Count(), 1);
}

TEST_F(CloneCDParserTest, ImpossibleEntryCountFailsWithoutWalkingIt) {
    std::string text = ControlFile{}.Text();
    text.replace(text.find("TocEntries=4"), 12, "TocEntries=2147483647");
    EXPECT_FALSE(Parse(text));
}

TEST_F(CloneCDParserTest, OffsetBeyondThirtyTwoBitsFails) {
    ControlFile control;
    control.entries.back().plba = 1000000;
    EXPECT_FALSE(Parse(control));
    control.entries.back().plba = -1000000;
    EXPECT_FALSE(Parse(control));
}

TEST_F(CloneCDParserTest, EntryBeforeAnySectionFails) {
    EXPECT_FALSE(Parse("Version=2\r\n" + ControlFile{}.Text()));
}

TEST_F(CloneCDParserTest, DataFileMustExistAndHoldBytes) {
    controlPath = dir / "other.ccd";
    EXPECT_FALSE(Parse(ControlFile{}));
    WriteFile(dir / "other.img", "");
    EXPECT_FALSE(Parse(ControlFile{}));
    WriteFile(dir / "other.img", "x");
    EXPECT_TRUE(Parse(ControlFile{}));
    EXPECT_EQ(Row(0).file, dir / "other.img");
    // Written on Windows, the image file's name may differ in case.
    controlPath = dir / "Upper.ccd";
    WriteFile(dir / "UPPER.IMG", "x");
    ASSERT_TRUE(Parse(ControlFile{}));
    EXPECT_EQ(Row(0).file, dir / "UPPER.IMG");
}

TEST_F(CloneCDParserTest, GoodControlFileTruncatedByOneByte) {
    const std::string text = ControlFile{}.Text();
    // The last line loses its line feed, then its last digit.
    ASSERT_TRUE(Parse(text.substr(0, text.size() - 1)));
    EXPECT_EQ(Row(0).mode, TrackMode::Mode2);
    const std::string withoutEnd = text.substr(0, text.size() - 2);
    ASSERT_TRUE(Parse(withoutEnd.substr(0, withoutEnd.size() - 1)));
    EXPECT_EQ(Row(0).mode, TrackMode::Audio);  // Control=0x0
}

TEST(CloneCDDataFile, ReplacesTheExtensionOfTheFileName) {
    EXPECT_EQ(CloneCDDataFile("/discs/game.ccd"), "/discs/game.img");
    EXPECT_EQ(CloneCDDataFile("/discs/game.v1.CCD"), "/discs/game.v1.img");
    EXPECT_EQ(CloneCDDataFile("/discs.ccd/game"), "/discs.ccd/game.img");
    EXPECT_EQ(CloneCDDataFile("/discs/game"), "/discs/game.img");
    EXPECT_EQ(CloneCDDataFile("game.ccd"), "game.img");
    EXPECT_EQ(CloneCDDataFile("game"), ".img");
    EXPECT_EQ(CloneCDDataFile("C:\\discs\\game.ccd"), "C:\\discs\\game.img");
}

}  // namespace
