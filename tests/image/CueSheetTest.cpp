#include "image/CueSheet.h"

#include "image/DescriptorFiles.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "support/CurrentDirectory.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace {

using testsupport::TempDir;
using testsupport::WriteFile;

class CueSheetTest : public ::testing::Test {
protected:
    CueSheetTest() {
        // The sheets place tracks up to an hour into their files: the files
        // are that long (sparse), so that no track starts past their end.
        WriteFile(dir / "game.bin", std::string(4 * 2352, '\x11'));
        WriteFile(dir / "second.bin", std::string(2352, '\x22'));
        for (const char* name : {"game.bin", "second.bin"}) {
            EXPECT_EQ(truncate((dir / name).c_str(), 60 * 60 * 75 * 2448), 0);
        }
    }

    // The sheet's text parsed, and its data files found on disk.
    bool Parse(const std::string& text) {
        DescriptorParse parse = ResolveCueSheet(ParseCueSheet(text), sheetPath, DiskFiles());
        table = parse.table;
        return parse.accepted;
    }

    const TrackEntry& Row(int i) const { return table.At(i); }

    TempDir dir;
    std::string sheetPath = dir / "game.cue";
    TrackTable table;
};

const std::string ONE_TRACK =
    "FILE \"game.bin\" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n";

TEST_F(CueSheetTest, OneMode2TrackAtTheStartOfItsFile) {
    ASSERT_TRUE(Parse(ONE_TRACK));
    ASSERT_EQ(table.Count(), 1);
    EXPECT_EQ(Row(0).index, 0);
    EXPECT_EQ(Row(0).file, dir / "game.bin");
    EXPECT_EQ(Row(0).mode, TrackMode::Mode2);
    EXPECT_EQ(Row(0).sectorSize, 2352);
    EXPECT_EQ(Row(0).dataOffset, 0);
    EXPECT_EQ(Row(0).start, 0);
}

TEST_F(CueSheetTest, IndexOneAtTwoSecondsStartsAfterThePregap) {
    ASSERT_TRUE(Parse("FILE game.bin BINARY\nTRACK 1 MODE2/2352\nINDEX 1 00:02:00\n"));
    EXPECT_EQ(Row(0).dataOffset, 150 * 2352);
    EXPECT_EQ(Row(0).start, 150);
}

struct TrackTypeCase {
    const char* token;
    TrackMode mode;
    int sectorSize;
};

class CueTrackTypeTest : public CueSheetTest,
                         public ::testing::WithParamInterface<TrackTypeCase> {};

TEST_P(CueTrackTypeTest, TrackTypeGivesModeAndSectorSize) {
    ASSERT_TRUE(Parse(std::string("FILE game.bin BINARY\nTRACK 01 ") + GetParam().token +
                      "\nINDEX 01 00:00:00\n"));
    EXPECT_EQ(Row(0).mode, GetParam().mode);
    EXPECT_EQ(Row(0).sectorSize, GetParam().sectorSize);
}

INSTANTIATE_TEST_SUITE_P(AllTypes, CueTrackTypeTest,
                         ::testing::Values(TrackTypeCase{"AUDIO", TrackMode::Audio, 2352},
                                           TrackTypeCase{"CDG", TrackMode::Audio, 2448},
                                           TrackTypeCase{"MODE1/2048", TrackMode::Mode1, 2048},
                                           TrackTypeCase{"MODE1/2352", TrackMode::Mode1, 2352},
                                           TrackTypeCase{"MODE2/2336", TrackMode::Mode2, 2336},
                                           TrackTypeCase{"MODE2/2352", TrackMode::Mode2, 2352},
                                           TrackTypeCase{"CDI/2336", TrackMode::Mode2, 2336},
                                           TrackTypeCase{"cdi/2352", TrackMode::Mode2, 2352}));

TEST_F(CueSheetTest, UnknownTrackTypeFails) {
    EXPECT_FALSE(Parse("FILE game.bin BINARY\nTRACK 01 MODE3_FORM1\nINDEX 01 00:00:00\n"));
    EXPECT_FALSE(Parse("FILE game.bin BINARY\nTRACK 01\n"));
}

TEST_F(CueSheetTest, IndexZeroEndsThePreviousTrackAndCorrectsForItsSmallerSectors) {
    // 750 cooked sectors of 2048 bytes, then a 150-sector audio pregap.
    ASSERT_TRUE(
        Parse("FILE game.bin BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\n"
              "TRACK 02 AUDIO\nINDEX 00 00:10:00\nINDEX 01 00:12:00\n"
              "TRACK 03 AUDIO\nINDEX 01 00:20:00\n"));
    ASSERT_EQ(table.Count(), 3);
    EXPECT_EQ(Row(0).length, 750);
    EXPECT_EQ(Row(1).dataOffset, 750 * 2048 + 150 * 2352);
    // Without INDEX 00 the next INDEX 01 ends the track; audio needs no correction.
    EXPECT_EQ(Row(1).length, 1500 - 900);
    EXPECT_EQ(Row(2).dataOffset, 750 * 2048 + (1500 - 750) * 2352);
}

TEST_F(CueSheetTest, CorrectionFollowsEachSectorSize) {
    ASSERT_TRUE(
        Parse("FILE game.bin BINARY\nTRACK 01 MODE2/2336\nINDEX 01 00:00:00\n"
              "TRACK 02 CDG\nINDEX 01 00:01:00\n"
              "TRACK 03 MODE1/2352\nINDEX 01 00:02:00\n"));
    EXPECT_EQ(Row(1).dataOffset, 75 * 2336);
    EXPECT_EQ(Row(2).dataOffset, 75 * 2336 + 75 * 2448);
}

TEST_F(CueSheetTest, EachFileStartsItsOwnOffsets) {
    ASSERT_TRUE(
        Parse("FILE game.bin BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\n"
              "FILE second.bin BINARY\nTRACK 02 AUDIO\nINDEX 00 00:00:00\nINDEX 01 00:02:00\n"));
    ASSERT_EQ(table.Count(), 2);
    EXPECT_EQ(Row(1).file, dir / "second.bin");
    EXPECT_EQ(Row(1).dataOffset, 150 * 2352);
    EXPECT_EQ(Row(0).length, 0);  // the track of the other file is not ended here
}

TEST_F(CueSheetTest, PregapAndOtherCommandsMoveNothing) {
    ASSERT_TRUE(Parse(
        "REM comment\nCATALOG 0000000000000\nTITLE \"x\"\nFILE game.bin BINARY\n"
        "TRACK 01 MODE2/2352\nFLAGS DCP\nPREGAP 00:02:00\nINDEX 01 00:00:00\nINDEX 02 00:01:00\n"
        "POSTGAP 00:02:00\n"));
    EXPECT_EQ(Row(0).dataOffset, 0);
    EXPECT_EQ(Row(0).start, 0);
}

TEST_F(CueSheetTest, CommandsOutOfPlaceAreIgnored) {
    // A TRACK before any FILE and an INDEX before the FILE's first TRACK.
    ASSERT_TRUE(
        Parse("TRACK 05 AUDIO\nINDEX 01 00:05:00\nFILE game.bin BINARY\n"
              "INDEX 01 00:09:00\nTRACK 01 MODE1/2352\nINDEX 01 00:01:00\n"));
    ASSERT_EQ(table.Count(), 1);
    EXPECT_EQ(Row(0).dataOffset, 75 * 2352);
}

TEST_F(CueSheetTest, CommandsIgnoreCaseAndSheetWithoutTracksSucceeds) {
    ASSERT_TRUE(Parse("file game.bin binary\ntrack 01 mode1/2352\nindex 01 00:00:01\n"));
    EXPECT_EQ(Row(0).dataOffset, 2352);
    ASSERT_TRUE(Parse("REM nothing here\n\n"));
    EXPECT_EQ(table.Count(), 0);
}

TEST_F(CueSheetTest, TrackNumbersMustFollowEachOther) {
    // The first track may have any number: a sheet of tracks 4 and 5.
    EXPECT_TRUE(Parse("FILE game.bin BINARY\nTRACK 04 AUDIO\nTRACK 05 AUDIO\n"));
    EXPECT_FALSE(Parse("FILE game.bin BINARY\nTRACK 04 AUDIO\nTRACK 04 AUDIO\n"));
    EXPECT_FALSE(Parse("FILE game.bin BINARY\nTRACK 01 AUDIO\nTRACK 03 AUDIO\n"));
    EXPECT_FALSE(Parse("FILE game.bin BINARY\nTRACK 01 AUDIO\nTRACK 01 AUDIO\n"));
    EXPECT_FALSE(Parse("FILE game.bin BINARY\nTRACK 00 AUDIO\n"));
}

TEST_F(CueSheetTest, NinetyNineTracksFitAndAHundredthFails) {
    std::string sheet = "FILE game.bin BINARY\n";
    for (int n = 1; n <= 99; ++n) {
        sheet += "TRACK " + std::to_string(n) + " AUDIO\nINDEX 01 00:" + std::to_string(n % 60) +
                 ":00\n";
    }
    ASSERT_TRUE(Parse(sheet));
    EXPECT_EQ(table.Count(), 99);
    EXPECT_EQ(Row(98).index, 98);
    EXPECT_FALSE(Parse(sheet + "TRACK 100 AUDIO\n"));
}

TEST_F(CueSheetTest, OnlyBinaryFilesAreAccepted) {
    EXPECT_FALSE(Parse("FILE game.bin WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"));
    EXPECT_FALSE(Parse("FILE game.bin MOTOROLA\n"));
    EXPECT_FALSE(Parse("FILE game.bin\n"));
    EXPECT_TRUE(Parse("FILE game.bin Binary\n"));
}

TEST_F(CueSheetTest, DataFileAsWrittenComesFirst) {
    testsupport::MakeDirs(dir / "elsewhere");
    WriteFile(dir / "elsewhere/game.bin", "x");
    ASSERT_TRUE(Parse("FILE \"" + dir / "elsewhere/game.bin" + "\" BINARY\nTRACK 01 AUDIO\n"));
    EXPECT_EQ(Row(0).file, dir / "elsewhere/game.bin");
}

TEST_F(CueSheetTest, RelativeNamesAreRelativeToTheSheetNeverToTheCurrentDirectory) {
    // During a run the current directory is the start-up directory: a file
    // there named like the sheet's own must not stand in for it, and one
    // that is only there is no data file of the sheet.
    testsupport::MakeDirs(dir / "cwd/sub");
    WriteFile(dir / "cwd/game.bin", "another disc");
    WriteFile(dir / "cwd/sub/rel.bin", "x");
    testsupport::MakeDirs(dir / "sheet");
    sheetPath = dir / "sheet/game.cue";
    WriteFile(dir / "sheet/game.bin", "the sheet's disc");
    const testsupport::ScopedCurrentDirectory inCwd(dir / "cwd");
    ASSERT_TRUE(Parse("FILE game.bin BINARY\nTRACK 01 AUDIO\n"));
    EXPECT_EQ(Row(0).file, dir / "sheet/game.bin");
    EXPECT_FALSE(Parse("FILE sub/rel.bin BINARY\nTRACK 01 AUDIO\n"));
}

TEST_F(CueSheetTest, OtherwiseTheNamesLastComponentBesideTheSheet) {
    ASSERT_TRUE(Parse("FILE \"/no/such/folder/game.bin\" BINARY\nTRACK 01 AUDIO\n"));
    EXPECT_EQ(Row(0).file, dir / "game.bin");
    ASSERT_TRUE(Parse("FILE \"C:\\discs\\game.bin\" BINARY\nTRACK 01 AUDIO\n"));
    EXPECT_EQ(Row(0).file, dir / "game.bin");
}

// Sheets as tools on Windows write them: backslashes between folders, names
// without quotes (also with blanks), a byte-order mark, lower-case keywords.
TEST_F(CueSheetTest, SheetsWrittenOnWindows) {
    testsupport::MakeDirs(dir / "Disc 1");
    WriteFile(dir / "Disc 1/Game (Track 1).bin", std::string(2352, '\x33'));
    const struct {
        const char* sheet;
        const char* file;
    } cases[] = {
        {"FILE \"Disc 1\\Game (Track 1).bin\" BINARY\r\n", "Disc 1/Game (Track 1).bin"},
        {"FILE .\\second.bin BINARY\r\n", "second.bin"},
        {"FILE Disc 1\\Game (Track 1).bin BINARY\r\n", "Disc 1/Game (Track 1).bin"},
        {"\xEF\xBB\xBF"
         "FILE game.bin BINARY\r\n",
         "game.bin"},
        {"file \"game.bin\" binary\r\n", "game.bin"},
        {"  FILE \tsecond.bin   BINARY  \r\n", "second.bin"},
    };
    for (const auto& entry : cases) {
        ASSERT_TRUE(
            Parse(std::string(entry.sheet) + "  track 01 mode2/2352\r\n    index 01 00:00:00\r\n"))
            << entry.sheet;
        ASSERT_EQ(table.Count(), 1) << entry.sheet;
        EXPECT_EQ(Row(0).file, dir / entry.file) << entry.sheet;
    }
    // A byte-order mark anywhere else is part of the text.
    EXPECT_TRUE(
        Parse("REM x\n\xEF\xBB\xBF"
              "FILE game.bin BINARY\nTRACK 01 AUDIO\n"));
    EXPECT_EQ(table.Count(), 0);
    // The type of an unquoted name with blanks is the last word.
    EXPECT_FALSE(Parse("FILE Disc 1\\Game (Track 1).bin WAVE\n"));
}

TEST_F(CueSheetTest, BesideTheSheetTheNameIgnoresCase) {
    ASSERT_TRUE(Parse("FILE \"GAME.BIN\" BINARY\nTRACK 01 AUDIO\n"));
    EXPECT_EQ(Row(0).file, dir / "game.bin");
}

TEST_F(CueSheetTest, MissingOrUnreadableDataFileFails) {
    EXPECT_FALSE(Parse("FILE missing.bin BINARY\nTRACK 01 AUDIO\n"));
    testsupport::MakeDirs(dir / "folder.bin");
    EXPECT_FALSE(Parse("FILE folder.bin BINARY\n"));
    EXPECT_FALSE(Parse("FILE \"\" BINARY\n"));
}

TEST_F(CueSheetTest, OffsetBeyondThirtyTwoBitsFailsInsteadOfWrapping) {
    // Each INDEX 00 after 2448-byte sectors moves later offsets up by 96
    // bytes per sector; enough of them push the next offset past 2^31.
    std::string sheet = "FILE game.bin BINARY\nTRACK 01 CDG\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n";
    for (int i = 0; i < 60; ++i) sheet += "INDEX 00 99:59:74\n";
    EXPECT_FALSE(Parse(sheet + "INDEX 01 99:59:74\n"));
    EXPECT_TRUE(Parse(sheet));
}

TEST_F(CueSheetTest, GoodSheetsTruncatedByOneByte) {
    // The last position loses its frame digit: same offset.
    ASSERT_TRUE(Parse(ONE_TRACK.substr(0, ONE_TRACK.size() - 3)));
    EXPECT_EQ(Row(0).dataOffset, 0);
    // The TRACK type loses a character and is no longer known.
    const std::string twoLines = "FILE game.bin BINARY\nTRACK 01 MODE2/2352";
    EXPECT_FALSE(Parse(twoLines.substr(0, twoLines.size() - 1)));
    // The FILE type loses its last letter.
    EXPECT_FALSE(Parse(std::string("FILE game.bin BINARY").substr(0, 19)));
    const std::string pregap = "FILE game.bin BINARY\nTRACK 1 MODE2/2352\nINDEX 1 00:02:00";
    ASSERT_TRUE(Parse(pregap.substr(0, pregap.size() - 1)));
    EXPECT_EQ(Row(0).dataOffset, 150 * 2352);
}

TEST_F(CueSheetTest, RefusalsNameTheirLine) {
    const DescriptorParse unknown =
        ParseCueSheet("REM x\nFILE game.bin BINARY\nTRACK 01 MODE3/2352\n");
    EXPECT_FALSE(unknown.accepted);
    EXPECT_EQ(unknown.Explained(), "line 3: unknown track type MODE3/2352");
    const DescriptorParse missing =
        ResolveCueSheet(ParseCueSheet("FILE gone.bin BINARY\n"), sheetPath, DiskFiles());
    EXPECT_EQ(missing.Explained(), "the data file \"gone.bin\" was not found");
    // A track placed where its file has ended holds nothing: the sheet is
    // another file's.
    const DescriptorParse pastTheEnd =
        ResolveCueSheet(ParseCueSheet("FILE second.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
                                      "TRACK 02 AUDIO\nINDEX 01 79:00:00\n"),
                        sheetPath, DiskFiles());
    EXPECT_FALSE(pastTheEnd.accepted);
    EXPECT_EQ(pastTheEnd.Explained(), "a track of \"second.bin\" starts past its end");
    const DescriptorParse badPosition =
        ParseCueSheet("FILE game.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:100\n");
    EXPECT_EQ(badPosition.Explained(), "line 3: index position 00:00:100 is no position mm:ss:ff");
}

}  // namespace
