#include "image/KelCDImageDAO.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/KelCDFileSystem.h"
#include "image/KelCDImage.h"
#include "support/DiscJugglerBuilder.h"
#include "support/Files.h"
#include "support/IsoBuilder.h"
#include "support/NeroBuilder.h"
#include "support/RawSectors.h"
#include "support/TempDir.h"

namespace {

using testsupport::RawLayout;
using testsupport::TempDir;
using testsupport::ToRawSectors;
using testsupport::WriteFile;

const std::string SYSTEM_CNF =
    "BOOT = cdrom:\\SLPS_000.71;1\r\nTCB = 4\r\nEVENT = 10\r\nSTACK = 801FFFF0\r\n";

// A cooked image of a PlayStation disc: SYSTEM.CNF and the executable it boots.
std::string PlayStationIso() {
    testsupport::IsoBuilder builder;
    builder.AddFile("SYSTEM.CNF", SYSTEM_CNF);
    builder.AddFile("SLPS_000.71", std::string(5000, 'E'));
    return builder.Build().bytes;
}

// The game code of a SYSTEM.CNF's BOOT line: the boot file's name without
// its separators ("cdrom:\SLPS_000.71;1" gives SLPS00071).
std::string BootCode(const std::string& systemCnf) {
    const std::size_t boot = systemCnf.find("cdrom:\\");
    if (boot == std::string::npos) return "";
    const std::size_t name = boot + 7;
    std::string code;
    for (std::size_t i = name; i < systemCnf.size() && systemCnf[i] != ';'; ++i) {
        if (systemCnf[i] != '_' && systemCnf[i] != '.') code += systemCnf[i];
    }
    return code;
}

void ExpectPlayStationDisc(const std::string& path) {
    KelCDFileSystem fileSystem(path);
    ASSERT_TRUE(fileSystem.IsValid()) << path;
    const std::int32_t config = fileSystem.OpenFile("SYSTEM.CNF");
    ASSERT_GE(config, 0) << path;
    const std::string text(reinterpret_cast<const char*>(fileSystem.FileData(config)),
                           std::size_t(fileSystem.FileSize(config)));
    EXPECT_EQ(text, SYSTEM_CNF) << path;
    EXPECT_EQ(BootCode(text), "SLPS00071") << path;
    const std::int32_t executable = fileSystem.OpenFile("slps_000.71");
    ASSERT_GE(executable, 0) << path;
    EXPECT_EQ(fileSystem.FileSize(executable), 5000);
    EXPECT_EQ(fileSystem.FileData(executable)[4999], 'E');
}

std::string PregapOf(std::size_t sectors) {
    return std::string(sectors * 2352, '\x77');
}

TEST(KelCDImageDAO, PlayStationDiscBehindACueSheet) {
    TempDir dir;
    WriteFile(dir / "Game.bin", ToRawSectors(PlayStationIso(), RawLayout::Raw2352Mode2));
    WriteFile(dir / "Game.cue",
              "FILE \"Game.bin\" BINARY\r\n  TRACK 01 MODE2/2352\r\n"
              "    INDEX 01 00:00:00\r\n");
    ExpectPlayStationDisc(dir / "Game.cue");
}

TEST(KelCDImageDAO, PlayStationDiscBehindACueSheetWithAStoredPregap) {
    TempDir dir;
    WriteFile(dir / "game.bin",
              PregapOf(150) + ToRawSectors(PlayStationIso(), RawLayout::Raw2352Mode2));
    WriteFile(dir / "game.cue",
              "FILE game.bin BINARY\nTRACK 01 MODE2/2352\nINDEX 00 00:00:00\nINDEX 01 00:02:00\n");
    ExpectPlayStationDisc(dir / "game.cue");
}

TEST(KelCDImageDAO, PlayStationDiscBehindACloneCDControlFile) {
    TempDir dir;
    WriteFile(dir / "game.img", ToRawSectors(PlayStationIso(), RawLayout::Raw2352Mode2));
    WriteFile(dir / "game.ccd",
              "[CloneCD]\r\nVersion=2\r\n[Disc]\r\nTocEntries=2\r\nSessions=1\r\n"
              "DataTracksScrambled=0\r\n[Session 1]\r\nPreGapMode=2\r\n"
              "[Entry 0]\r\nSession=1\r\nPoint=0xa2\r\nControl=0x04\r\nPLBA=40\r\n"
              "[Entry 1]\r\nSession=1\r\nPoint=0x01\r\nControl=0x04\r\nPLBA=0\r\n");
    ExpectPlayStationDisc(dir / "game.ccd");
}

TEST(KelCDImageDAO, PlayStationDiscBehindEveryDiscJugglerLayout) {
    TempDir dir;
    const std::string data =
        PregapOf(150) + ToRawSectors(PlayStationIso(), RawLayout::Raw2352Mode2);
    for (int variant = 1; variant <= 8; ++variant) {
        testsupport::CdiTrack track;
        track.mode = 2;
        track.sizeCode = testsupport::CdiSizeCode2352(variant);
        track.pregap = 150;
        track.total = std::uint32_t(data.size() / 2352);
        const std::string path = dir / ("game" + std::to_string(variant) + ".cdi");
        WriteFile(path, testsupport::CdiImage(data, variant, {{track}}));
        ExpectPlayStationDisc(path);
    }
}

TEST(KelCDImageDAO, PlayStationDiscBehindANeroImage) {
    TempDir dir;
    const std::string raw = PlayStationIso();
    const std::string data = PregapOf(150) + ToRawSectors(raw, RawLayout::Raw2352Mode2);
    const std::uint32_t sectors = std::uint32_t(data.size() / 2352);
    const std::string cues = testsupport::NrgChunk(
        "CUES", testsupport::NrgCuesBody(testsupport::NrgDiscCues({0x61}, {0}, {150}, sectors)));
    const std::string end = testsupport::NrgChunk("END!", "");
    WriteFile(dir / "cues.nrg", testsupport::NrgImage(data, cues + end));
    ExpectPlayStationDisc(dir / "cues.nrg");

    // Disc-at-once information that says the track is stored cooked.
    const std::string cookedCues = testsupport::NrgChunk(
        "CUES", testsupport::NrgCuesBody(testsupport::NrgDiscCues({0x41}, {0}, {150}, 500)));
    const std::string daoi = testsupport::NrgChunk(
        "DAOI", testsupport::NrgDaoiBody({{2048, 0, 0, 0, std::uint32_t(raw.size())}}));
    WriteFile(dir / "daoi.nrg", testsupport::NrgImage(raw, cookedCues + daoi + end));
    ExpectPlayStationDisc(dir / "daoi.nrg");
}

TEST(KelCDImageDAO, TrackQueriesAnswerFromTheTable) {
    TempDir dir;
    WriteFile(dir / "disc.bin", std::string(2352 * 10, '\0'));
    WriteFile(dir / "disc.cue",
              "FILE disc.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:01\n"
              "TRACK 02 MODE2/2336\nINDEX 01 00:00:03\nTRACK 03 AUDIO\nINDEX 01 00:00:05\n");
    const KelCDImageDAO reader(dir / "disc.cue");
    ASSERT_TRUE(reader.IsOpened());
    EXPECT_EQ(reader.ImagePath(), dir / "disc.bin");
    EXPECT_EQ(reader.TrackCount(), 3);
    EXPECT_EQ(reader.TrackDataOffset(0), 2352);
    EXPECT_EQ(reader.TrackDataOffset(1), 3 * 2352);
    EXPECT_EQ(reader.TrackSectorSize(1), 2336);
    EXPECT_EQ(reader.TrackSectorKind(0), SectorKind::Mode1Data);
    EXPECT_EQ(reader.TrackSectorKind(1), SectorKind::Mode2Data);
    EXPECT_EQ(reader.TrackSectorKind(2), SectorKind::Audio);
    EXPECT_EQ(reader.TrackFileName(2), dir / "disc.bin");
    for (const std::int32_t outside : {-1, 3, 98, 99, 1000}) {
        EXPECT_EQ(reader.TrackDataOffset(outside), 0);
        EXPECT_EQ(reader.TrackSectorSize(outside), 0);
        EXPECT_EQ(reader.TrackSectorKind(outside), SectorKind::Mode1Data);
        EXPECT_EQ(reader.TrackFileName(outside), "");
    }
}

TEST(KelCDImageDAO, RowWithoutModeIsOtherKind) {
    // CUES counts two tracks, but the second one's entries are both index 0.
    TempDir dir;
    const std::vector<testsupport::NrgCue> cues = {{0x41, 0x00, 0, 0},   {0x41, 0x01, 0, 0},
                                                   {0x41, 0x01, 1, 150}, {0x41, 0x02, 0, 300},
                                                   {0x41, 0x02, 0, 400}, {0x41, 0xAA, 1, 500}};
    WriteFile(
        dir / "disc.nrg",
        testsupport::NrgImage("", testsupport::NrgChunk("CUES", testsupport::NrgCuesBody(cues)) +
                                      testsupport::NrgChunk("END!", "")));
    const KelCDImageDAO reader(dir / "disc.nrg");
    ASSERT_TRUE(reader.IsOpened());
    EXPECT_EQ(reader.TrackCount(), 2);
    EXPECT_EQ(reader.TrackSectorKind(1), SectorKind::Other);
}

TEST(KelCDImageDAO, ReadsSectorsWithTheFirstTrackLayout) {
    TempDir dir;
    std::string cooked(4 * 2048, '\0');
    for (std::size_t s = 0; s < 4; ++s) cooked[s * 2048] = char('A' + s);
    WriteFile(dir / "disc.bin", PregapOf(150) + ToRawSectors(cooked, RawLayout::Raw2352Mode2));
    WriteFile(dir / "disc.cue", "FILE disc.bin BINARY\nTRACK 01 MODE2/2352\nINDEX 01 00:02:00\n");
    const KelCDImage image(dir / "disc.cue");
    ASSERT_TRUE(image.IsOpened());
    EXPECT_EQ(image.SectorCount(), 4);
    std::vector<unsigned char> blocks(3 * 2048);
    ASSERT_TRUE(image.ReadSectors(blocks.data(), 1, 3));
    EXPECT_EQ(blocks[0], 'B');
    EXPECT_EQ(blocks[2048], 'C');
    EXPECT_EQ(blocks[4096], 'D');
}

TEST(KelCDImageDAO, DescriptorKindIsFoundAnywhereInThePathIgnoringCase) {
    TempDir dir;
    WriteFile(dir / "DISC.BIN", ToRawSectors(PlayStationIso(), RawLayout::Raw2352Mode1));
    const std::string sheet = "FILE DISC.BIN BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n";
    WriteFile(dir / "DISC.CUE", sheet);
    EXPECT_TRUE(KelCDImageDAO(dir / "DISC.CUE").IsOpened());

    // A folder named like a control file makes the path a CloneCD one.
    testsupport::MakeDirs(dir / "set.ccd");
    WriteFile(dir / "set.ccd/DISC.BIN", "x");
    WriteFile(dir / "set.ccd/disc.cue", sheet);
    EXPECT_FALSE(KelCDImageDAO(dir / "set.ccd/disc.cue").IsOpened());
    EXPECT_FALSE(KelCDImage(dir / "set.ccd/disc.cue").IsOpened());

    EXPECT_FALSE(KelCDImageDAO(dir / "DISC.BIN").IsOpened());
}

TEST(KelCDImageDAO, FailedParseLeavesNothingBehind) {
    TempDir dir;
    WriteFile(dir / "disc.bin", "x");
    WriteFile(dir / "disc.cue", "FILE disc.bin BINARY\nTRACK 01 AUDIO\nTRACK 03 AUDIO\n");
    const KelCDImageDAO reader(dir / "disc.cue");
    EXPECT_FALSE(reader.IsOpened());
    EXPECT_EQ(reader.TrackCount(), 0);
    EXPECT_EQ(reader.ImagePath(), "");
    EXPECT_EQ(reader.TrackFileName(0), "");
}

TEST(KelCDImageDAO, DescriptorWithoutTracksStaysUnopened) {
    TempDir dir;
    WriteFile(dir / "empty.cue", "REM no tracks\n");
    EXPECT_FALSE(KelCDImageDAO(dir / "empty.cue").IsOpened());
    EXPECT_FALSE(KelCDImage(dir / "empty.cue").IsOpened());
}

TEST(KelCDImage, PathThatMerelyContainsCueIsProbedAsASingleFile) {
    // The cue parser finds no track in these bytes; the probe finds the disc.
    TempDir dir;
    WriteFile(dir / "game.cue.iso", PlayStationIso());
    const KelCDImage image(dir / "game.cue.iso");
    ASSERT_TRUE(image.IsOpened());
    EXPECT_EQ(image.Reader().TrackSectorSize(0), 2048);
    ExpectPlayStationDisc(dir / "game.cue.iso");
}

TEST(KelCDImage, UnparsableDescriptorIsProbedAndStaysUnopened) {
    TempDir dir;
    WriteFile(dir / "bad.cue", "FILE missing.bin BINARY\nTRACK 01 MODE1/2352\n");
    EXPECT_FALSE(KelCDImage(dir / "bad.cue").IsOpened());
}

TEST(KelCDImage, DescriptorWhoseFirstTrackIsAudioYieldsNoFileSystem) {
    // Sector 16, where the volume descriptors stand, lies in the audio track.
    TempDir dir;
    WriteFile(dir / "disc.bin",
              PregapOf(300) + ToRawSectors(PlayStationIso(), RawLayout::Raw2352Mode2));
    WriteFile(dir / "disc.cue",
              "FILE disc.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
              "TRACK 02 MODE2/2352\nINDEX 01 00:04:00\n");
    EXPECT_TRUE(KelCDImage(dir / "disc.cue").IsOpened());
    EXPECT_FALSE(KelCDFileSystem(dir / "disc.cue").IsValid());
}

}  // namespace
