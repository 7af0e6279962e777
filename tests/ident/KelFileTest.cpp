#include <gtest/gtest.h>
#include <sys/stat.h>

#include "archive/KelArchiverBase.h"
#include "ident/KelFilePS.h"
#include "ident/KelFilePS2.h"
#include "ident/KelFilePSP.h"
#include "platform/Crc32.h"
#include "platform/FileOps.h"
#include "rename/DiscRename.h"
#include "rename/FileActions.h"
#include "support/ChdBuilder.h"
#include "support/CsoBuilder.h"
#include "support/Files.h"
#include "support/IdentFixtures.h"
#include "support/NeroBuilder.h"
#include "support/RawSectors.h"
#include "support/TempDir.h"

using identtest::RunIn;
using identtest::WriteDisc;
using testsupport::ListNames;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

using Names = std::vector<std::string>;

const std::vector<std::pair<std::string, std::string>> PS_DISC = {
    {"SYSTEM.CNF", "BOOT = cdrom:\\SLPS_000.71;1\r\nTCB = 4\r\n"}};
const std::string CUE =
    "FILE \"Game.bin\" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n";

DiscRename RenameOf(const KelFileBase& handler, const RenameRequest& request) {
    DiskFileActions disk(handler.FolderListings());
    return DiscRename(handler, request, disk, nullptr);
}

bool Renamed(const KelFileBase& handler, const RenameRequest& request) {
    return RenameOf(handler, request).Renamed();
}

std::int64_t ModificationTime(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 ? std::int64_t(status.st_mtime) : -1;
}

class HandlerTest : public ::testing::Test {
protected:
    DiscHandlerParams Params(const std::string& name = "Game") {
        DiscHandlerParams params;
        params.basePath = dir / name;
        return params;
    }

    static RenameRequest To(const std::string& newName) { return {newName, false, 0, {}}; }

    testsupport::TempDir dir;
};

TEST_F(HandlerTest, ReadsTheBinBeforeTheCue) {
    WriteFile(dir / "Game.cue", CUE);
    WriteDisc(dir / "Game.bin", PS_DISC);
    const KelFilePS handler(Params());
    EXPECT_TRUE(handler.ImageFound());
    EXPECT_EQ(handler.ImageFile(), dir / "Game.bin");
    EXPECT_TRUE(handler.IdFound());
    ASSERT_EQ(handler.IdCount(), 1);
    EXPECT_EQ(handler.IdAt(0), "SLPS00071");
    EXPECT_EQ(handler.IdAt(5), "");
    EXPECT_EQ(handler.IdAt(-1), "");
    EXPECT_FALSE(handler.Extracted());
    EXPECT_EQ(handler.ExtractDir(), "");
}

TEST_F(HandlerTest, ExtensionsMatchIgnoringCaseButTheNameIsNoPattern) {
    WriteDisc(dir / "Game.BIN", PS_DISC);
    EXPECT_EQ(KelFilePS(Params()).ImageFile(), dir / "Game.BIN");

    // Linux names may hold '?': What? must not pick up WhatX.bin.
    WriteDisc(dir / "WhatX.bin", PS_DISC);
    const KelFilePS what(Params("What?"));
    EXPECT_FALSE(what.ImageFound());
    EXPECT_FALSE(what.IdFound());
    EXPECT_EQ(what.IdCount(), 0);
}

TEST_F(HandlerTest, ChecksumFirstThenCode) {
    WriteDisc(dir / "Game.iso", PS_DISC);
    DiscHandlerParams params = Params();
    params.computeChecksum = true;
    const KelFilePS handler(params);
    ASSERT_EQ(handler.IdCount(), 2);
    EXPECT_EQ(handler.IdAt(0), platform::WholeFileCrcText(dir / "Game.iso"));
    EXPECT_EQ(handler.IdAt(1), "SLPS00071");
    EXPECT_TRUE(handler.IdFound());
}

TEST_F(HandlerTest, ChecksumAloneDoesNotCountAsFound) {
    WriteDisc(dir / "Game.img", {{"README.TXT", "no boot files"}});
    DiscHandlerParams params = Params();
    params.computeChecksum = true;
    const KelFilePS handler(params);
    ASSERT_EQ(handler.IdCount(), 1);
    EXPECT_EQ(handler.IdAt(0), platform::WholeFileCrcText(dir / "Game.img"));
    EXPECT_FALSE(handler.IdFound());
}

// A look ahead's reading of the boot files is taken over in the disc's turn
// only while the files it was read from keep their states, and only when it
// knows which they were.
TEST_F(HandlerTest, ALookAheadsReadingStandsOnlyForTheFilesItWasReadFrom) {
    WriteFile(dir / "Game.cue", CUE);
    WriteDisc(dir / "Game.bin", PS_DISC);
    DiscHandlerParams ahead = Params();
    ahead.lookAhead = true;
    ASSERT_TRUE(KelFilePS(ahead).BootReading().has_value());
    BootFilesReading reading = *KelFilePS(ahead).BootReading();
    ASSERT_EQ(reading.files.size(), 1u);
    EXPECT_EQ(reading.files[0].first, dir / "Game.bin");
    EXPECT_TRUE(reading.Current());

    // The turn takes it without reading the image: a doctored one shows that.
    reading.id = "SLPS_999.99";
    DiscHandlerParams turn = Params();
    turn.bootFilesAhead = [&reading](const std::string& image) -> std::optional<BootFilesReading> {
        if (image != reading.imageFile) return std::nullopt;
        return reading;
    };
    const KelFilePS taken(turn);
    EXPECT_EQ(taken.IdAt(0), "SLPS_999.99");
    EXPECT_FALSE(taken.BootReading().has_value());

    WriteDisc(dir / "Game.bin", {{"SYSTEM.CNF", "BOOT = cdrom:\\SLPS_000.72;1\r\n"},
                                 {"OTHER.TXT", std::string(5000, 'o')}});
    EXPECT_FALSE(reading.Current());

    // Read through a sheet read before, the reading cannot name its files.
    WriteFile(dir / "Set.cue",
              "FILE \"Set (Track 1).bin\" BINARY\r\n  TRACK 01 MODE1/2048\r\n    INDEX 01 "
              "00:00:00\r\n");
    WriteDisc(dir / "Set (Track 1).bin", PS_DISC);
    DiscHandlerParams set = Params("Set");
    set.lookAhead = true;
    const KelFilePS sheetRead(set);
    EXPECT_EQ(sheetRead.IdAt(0), "SLPS00071");
    EXPECT_FALSE(sheetRead.BootReading().has_value());
}

TEST_F(HandlerTest, EachSystemItsExtensionsAndBootFiles) {
    WriteDisc(dir / "Two.bwt", {{"SYSTEM.CNF", "BOOT2 = cdrom0:\\SLPM_650.01;1\r\n"}});
    EXPECT_EQ(KelFilePS2(Params("Two")).IdAt(0), "SLPM65001");
    EXPECT_FALSE(KelFilePS(Params("Two")).ImageFound());

    WriteDisc(dir / "Portable.iso", {{"UMD_DATA.BIN", "ULJM-05001|0001|G"}});
    EXPECT_EQ(KelFilePSP(Params("Portable")).IdAt(0), "ULJM05001");

    WriteDisc(dir / "Mdf.mdf", PS_DISC);
    EXPECT_EQ(KelFilePS(Params("Mdf")).IdAt(0), "SLPS00071");
    EXPECT_FALSE(KelFilePSP(Params("Mdf")).ImageFound());

    // Every system reads Nero images: a disc stored cooked behind a DAO chunk.
    WriteDisc(dir / "cooked.iso", {{"SYSTEM.CNF", "BOOT2 = cdrom0:\\SLPM_650.01;1\r\n"},
                                   {"UMD_DATA.BIN", "ULJM-05001|0001|G"}});
    const std::string cooked = ReadFile(dir / "cooked.iso");
    using namespace testsupport;
    WriteFile(
        dir / "Nero.nrg",
        Nrg5Image(cooked, NrgChunk("CUEX", NrgCuexBody(NrgDiscCues({0x41}, {150}, {150},
                                                                   150 + cooked.size() / 2048))) +
                              NrgChunk("DAOX", NrgDaoxBody({{2048, 0x00, 0, 0, cooked.size()}})) +
                              NrgChunk("END!", "")));
    EXPECT_EQ(KelFilePS2(Params("Nero")).IdAt(0), "SLPM65001");
    EXPECT_EQ(KelFilePSP(Params("Nero")).IdAt(0), "ULJM05001");
    EXPECT_EQ(KelFilePS(Params("Nero")).ImageFile(), dir / "Nero.nrg");
}

TEST_F(HandlerTest, CompressedImagesAreReadAndChecksummedAsTheDiscTheyHold) {
    auto disc = [](const std::string& name, const std::string& content) {
        testsupport::IsoBuilder builder;
        builder.AddFile(name, content);
        return builder.Build().bytes;
    };
    const std::string dvd = disc("SYSTEM.CNF", "BOOT2 = cdrom0:\\SLPM_650.01;1\r\n");
    const std::string umd = disc("UMD_DATA.BIN", "ULJM-05001|0001|G");
    const std::string cd =
        ToRawSectors(disc("SYSTEM.CNF", PS_DISC[0].second), testsupport::RawLayout::Raw2352Mode2);
    WriteFile(dir / "Cso.cso", testsupport::MakeCso(dvd, testsupport::CsoFlavor::CsoV1));
    WriteFile(dir / "Zso.zso", testsupport::MakeCso(umd, testsupport::CsoFlavor::Zso));
    testsupport::ChdSpec spec;
    spec.data = dvd;
    WriteFile(dir / "Dvd.chd", testsupport::MakeChd(spec));
    spec.codec = "cdzs";
    spec.hunkBytes = 8 * 2448;
    spec.unitBytes = 2448;
    spec.data = testsupport::ChdFrames(cd, 2352);
    spec.metadata = {{"CHT2", testsupport::ChdTrackText(1, "MODE2_RAW", cd.size() / 2352)}};
    WriteFile(dir / "Cd.chd", testsupport::MakeChd(spec));

    auto ids = [](const auto& handler) { return Names{handler.IdAt(0), handler.IdAt(1)}; };
    auto checksummed = [this](const std::string& name) {
        DiscHandlerParams params = Params(name);
        params.computeChecksum = true;
        return params;
    };
    // The checksum is that of the plain image, not of the compressed file.
    EXPECT_EQ(ids(KelFilePS2(checksummed("Cso"))), (Names{identtest::CrcOf(dvd), "SLPM65001"}));
    EXPECT_EQ(ids(KelFilePS2(checksummed("Dvd"))), (Names{identtest::CrcOf(dvd), "SLPM65001"}));
    EXPECT_EQ(ids(KelFilePSP(checksummed("Zso"))), (Names{identtest::CrcOf(umd), "ULJM05001"}));
    EXPECT_EQ(ids(KelFilePS(checksummed("Cd"))), (Names{identtest::CrcOf(cd), "SLPS00071"}));
    EXPECT_FALSE(KelFilePS(Params("Cso")).ImageFound());
    EXPECT_FALSE(KelFilePSP(Params("Cd")).ImageFound());

    // A CHD is the whole disc in one file: renaming moves that file alone.
    KelFilePS cdHandler(Params("Cd"));
    ASSERT_TRUE(Renamed(cdHandler, To("New")));
    EXPECT_EQ(ListNames(dir.Path()), (Names{"Cso.cso", "Dvd.chd", "New.chd", "Zso.zso"}));
}

TEST_F(HandlerTest, ChdmanDefaultCdOfAPs1OrPs2DiscIsIdentifiedAtEitherHunkSize) {
    if (!testsupport::HaveTool("chdman")) GTEST_SKIP() << "chdman is not installed";
    // Mode 2 Form 1 sectors with real EDC and ECC, as a drive reads them:
    // chdman's default codecs drop the error codes, and the reader must
    // compute them again (with the header counted as zero) for every hunk
    // to pass its CRC. The hunk holds 8 frames, or 32, whose hunks are
    // longer than 64 KiB and store the length of their sector bytes in three
    // bytes.
    auto disc = [](const std::string& systemCnf, const std::string& bootFile) {
        testsupport::IsoBuilder builder;
        builder.AddFile("SYSTEM.CNF", systemCnf);
        std::string executable(400000, '\0');
        for (std::size_t i = 0; i < executable.size(); ++i) executable[i] = char(i * 7 % 251);
        builder.AddFile(bootFile, executable);
        return ToRawSectors(builder.Build().bytes, testsupport::RawLayout::Raw2352Mode2);
    };
    const struct {
        bool ps2;
        std::string sectors;
        const char* identifier;
    } discs[] = {
        {false, disc("BOOT = cdrom:\\SLUS_012.34;1\r\nTCB = 4\r\n", "SLUS_012.34"), "SLUS01234"},
        {true, disc(testsupport::Ps2SystemCnf("SLES_503.30"), "SLES_503.30"), "SLES50330"},
    };
    for (const auto& d : discs) {
        for (const char* hunkSize : {"", " -hs 78336"}) {
            const std::string label = std::string(d.identifier) + hunkSize;
            WriteFile(dir / "Game.bin", d.sectors);
            WriteFile(dir / "Game.cue", CUE);
            ASSERT_TRUE(identtest::RunIn(
                dir.Path(), std::string("chdman createcd -i Game.cue -o Game.chd -f") + hunkSize))
                << label;
            platform::DeleteFile(dir / "Game.bin");
            platform::DeleteFile(dir / "Game.cue");
            const auto check = [&](const KelFileBase& handler) {
                EXPECT_EQ(handler.ImageFile(), dir / "Game.chd") << label;
                EXPECT_EQ(handler.IdAt(0), d.identifier) << label;
                EXPECT_EQ(handler.ImageProblem(), "") << label;
            };
            if (d.ps2) {
                check(KelFilePS2(Params()));
            } else {
                check(KelFilePS(Params()));
            }
        }
    }
}

TEST_F(HandlerTest, ABootLineNamingAFileWithoutExtensionFindsIt) {
    if (!testsupport::HaveTool("genisoimage")) GTEST_SKIP() << "genisoimage is not installed";
    // genisoimage records QUAKE as QUAKE.;1; the boot lines name QUAKE.
    testsupport::MakeDirs(dir / "ps1");
    testsupport::MakeDirs(dir / "ps2");
    WriteFile(dir / "ps1/SYSTEM.CNF", "BOOT = cdrom:QUAKE;1\r\n");
    WriteFile(dir / "ps1/QUAKE", "exe :BISLUS-00757 and the rest");
    WriteFile(dir / "ps2/SYSTEM.CNF", "BOOT2 = cdrom0:\\QUAKE;1\r\n");
    WriteFile(dir / "ps2/QUAKE", "an ELF without a code");
    ASSERT_TRUE(identtest::RunIn(dir.Path(), "genisoimage -quiet -o Ps1.iso ps1"));
    ASSERT_TRUE(identtest::RunIn(dir.Path(), "genisoimage -quiet -o Ps2.iso ps2"));
    ASSERT_NE(ReadFile(dir / "Ps1.iso").find("QUAKE.;1"), std::string::npos);
    EXPECT_EQ(KelFilePS(Params("Ps1")).IdAt(0), "SLUS00757");
    EXPECT_EQ(KelFilePS2(Params("Ps2")).IdAt(0), identtest::CrcOf("an ELF without a code"));
}

TEST_F(HandlerTest, ZipWithAnImageInside) {
    testsupport::MakeDirs(dir / "src/inner");
    WriteDisc(dir / "src/inner/Game.iso", PS_DISC);
    ASSERT_TRUE(RunIn(dir / "src", "zip -qr ../Game.ZIP inner"));
    platform::RemoveTree(dir / "src");

    std::string extractDir;
    {
        KelFilePS handler(Params());
        ASSERT_TRUE(handler.Extracted());
        extractDir = handler.ExtractDir();
        EXPECT_EQ(extractDir.rfind(platform::TempFolder() + "Kelvane", 0), 0u);
        EXPECT_EQ(handler.ImageFile(), extractDir + "/Game.iso");
        EXPECT_EQ(handler.IdAt(0), "SLPS00071");
        EXPECT_EQ(handler.BasePath(), dir / "Game");

        const DiscRename rename = RenameOf(handler, To("New"));
        EXPECT_TRUE(rename.Renamed());
        EXPECT_EQ(ListNames(dir.Path()), Names{"New.ZIP"});
        EXPECT_EQ(rename.BasePath(), dir / "New");
    }
    EXPECT_EQ(platform::KindOf(extractDir), platform::PathKind::Missing);
}

TEST_F(HandlerTest, SplitSevenZipCandidate) {
    testsupport::MakeDirs(dir / "src");
    WriteDisc(dir / "src/Game.bin", PS_DISC);
    ASSERT_TRUE(RunIn(dir / "src", "7zz a -bd -mx=0 -v40k ../Game.7z Game.bin"));
    const KelFilePS handler(Params("Game.7z"));
    EXPECT_TRUE(handler.Extracted());
    EXPECT_EQ(handler.IdAt(0), "SLPS00071");
}

TEST_F(HandlerTest, ArchivesAreSearchedOnlyWhenAsked) {
    testsupport::MakeDirs(dir / "src");
    WriteDisc(dir / "src/Game.iso", PS_DISC);
    ASSERT_TRUE(RunIn(dir / "src", "zip -q ../Game.zip Game.iso"));
    DiscHandlerParams params = Params();
    params.searchArchives = false;
    const KelFilePS handler(params);
    EXPECT_FALSE(handler.Extracted());
    EXPECT_EQ(handler.ImageFile(), dir / "Game.zip");
    EXPECT_FALSE(handler.IdFound());
}

TEST_F(HandlerTest, FailedExtractionFallsBackToTheCandidatesFiles) {
    WriteFile(dir / "Game.zip", "not an archive");
    const KelFilePS handler(Params());
    EXPECT_FALSE(handler.Extracted());
    EXPECT_EQ(handler.ArchiveFailure().reason, ExtractionFailure::Unreadable);
    EXPECT_EQ(handler.ArchiveFailure().caption, "Archive (7Z) Error");
    EXPECT_EQ(handler.ImageFile(), dir / "Game.zip");
    EXPECT_FALSE(handler.IdFound());
}

TEST_F(HandlerTest, MultiPartRarKeepsItsPartSuffixes) {
    const std::string corpus = testsupport::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "no test corpus";
    for (int part = 1; part <= 3; ++part) {
        WriteFile(dir / ("Game.part" + std::to_string(part) + ".rar"),
                  ReadFile(corpus + "/archives/rarfile/test/files/rar3-vols.part" +
                           std::to_string(part) + ".rar"));
    }
    KelFilePS handler(Params());
    EXPECT_TRUE(handler.Extracted());
    EXPECT_EQ(handler.ArchiveFailure().reason, ExtractionFailure::None);
    EXPECT_FALSE(handler.ImageFound());  // the set holds text files only
    EXPECT_TRUE(Renamed(handler, To("New")));
    EXPECT_EQ(ListNames(dir.Path()), (Names{"New.part1.rar", "New.part2.rar", "New.part3.rar"}));
}

TEST_F(HandlerTest, RenameMovesEveryFileAndFixesTheCue) {
    WriteDisc(dir / "Game.bin", PS_DISC);
    WriteFile(dir / "Game.cue", CUE);
    WriteFile(dir / "Game.sub", "sub");
    WriteFile(dir / "Game.bin.bak", "backup");
    WriteFile(dir / "Gamer.bin", "another disc");
    KelFilePS handler(Params());
    const DiscRename rename = RenameOf(handler, To("New Name"));
    EXPECT_TRUE(rename.Renamed());
    EXPECT_EQ(ListNames(dir.Path()),
              (Names{"Gamer.bin", "New Name.bak", "New Name.bin", "New Name.cue", "New Name.sub"}));
    EXPECT_EQ(ReadFile(dir / "New Name.cue"),
              "FILE \"New Name.bin\" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n");
    EXPECT_EQ(rename.BasePath(), dir / "New Name");
}

TEST_F(HandlerTest, CueLineEndsAreKept) {
    WriteFile(dir / "Game.bin", "image");
    WriteFile(dir / "Game.cue", "FILE \"Game.bin\" BINARY\n  TRACK 01 MODE1/2048\r\n");
    KelFilePS handler(Params());
    EXPECT_TRUE(Renamed(handler, To("New")));
    EXPECT_EQ(ReadFile(dir / "New.cue"), "FILE \"New.bin\" BINARY\n  TRACK 01 MODE1/2048\r\n");
}

TEST_F(HandlerTest, CueNamingAnOldNameIsPointedAtTheRenamedImage) {
    WriteFile(dir / "Game.bin", "image");
    WriteFile(dir / "Game.cue", "FILE \"Old.bin\" BINARY\r\n");
    KelFilePS handler(Params());
    EXPECT_TRUE(Renamed(handler, To("New")));
    EXPECT_EQ(ReadFile(dir / "New.cue"), "FILE \"New.bin\" BINARY\r\n");
}

TEST_F(HandlerTest, EveryFileLineOfTheSheetFollowsTheRename) {
    for (const auto& [cue, renamed] :
         {std::pair{"REM comment\r\nFILE \"Game.bin\" BINARY\r\n",
                    "REM comment\r\nFILE \"New.bin\" BINARY\r\n"},
          std::pair{"FILE Game.bin BINARY\r\n", "FILE New.bin BINARY\r\n"},
          std::pair{"FILE game.BIN BINARY\r\n", "FILE New.bin BINARY\r\n"}}) {
        testsupport::TempDir folder;
        WriteFile(folder / "Game.bin", "image");
        WriteFile(folder / "Game.cue", cue);
        DiscHandlerParams params = Params();
        params.basePath = folder / "Game";
        KelFilePS handler(params);
        EXPECT_TRUE(Renamed(handler, To("New")));
        EXPECT_EQ(ReadFile(folder / "New.cue"), renamed);
    }
}

TEST_F(HandlerTest, CollisionReplacesNothing) {
    WriteFile(dir / "New.bin", "first disc");
    WriteFile(dir / "New.cue", "FILE \"New.bin\" BINARY\r\n");
    WriteFile(dir / "Game.bin", "second disc");
    WriteFile(dir / "Game.cue", CUE);
    KelFilePS handler(Params());
    EXPECT_FALSE(Renamed(handler, To("New")));
    EXPECT_EQ(ListNames(dir.Path()), (Names{"Game.bin", "Game.cue", "New.bin", "New.cue"}));
    EXPECT_EQ(ReadFile(dir / "New.bin"), "first disc");
    EXPECT_EQ(ReadFile(dir / "Game.bin"), "second disc");
    // The second disc's sheet still names its own image.
    EXPECT_EQ(ReadFile(dir / "Game.cue"), CUE);
}

TEST_F(HandlerTest, ASheetAndItsImageMoveTogetherOrNotAtAll) {
    WriteFile(dir / "New.bin", "first disc");
    WriteFile(dir / "Game.bin", "second disc");
    WriteFile(dir / "Game.cue", CUE);
    KelFilePS handler(Params());
    const DiscRename rename = RenameOf(handler, To("New"));
    EXPECT_FALSE(rename.Renamed());
    EXPECT_EQ(rename.Why().Reason(), "name exists");
    EXPECT_EQ(ListNames(dir.Path()), (Names{"Game.bin", "Game.cue", "New.bin"}));
    EXPECT_EQ(ReadFile(dir / "Game.cue"), CUE);
}

TEST_F(HandlerTest, NameHoldingASlashMovesNothing) {
    testsupport::MakeDirs(dir / "sub");
    WriteFile(dir / "Game.bin", "image");
    WriteFile(dir / "Game.cue", CUE);
    KelFilePS handler(Params());
    for (const char* name : {"sub/New", "../New", "", ".."}) {
        EXPECT_FALSE(Renamed(handler, To(name))) << name;
    }
    EXPECT_EQ(ListNames(dir.Path()), (Names{"Game.bin", "Game.cue", "sub"}));
    EXPECT_TRUE(ListNames(dir / "sub").empty());
    EXPECT_EQ(ReadFile(dir / "Game.cue"), CUE);
}

TEST_F(HandlerTest, RenameToTheCurrentNameSucceeds) {
    WriteFile(dir / "Game.bin", "image");
    WriteFile(dir / "Game.cue", CUE);
    KelFilePS handler(Params());
    EXPECT_TRUE(Renamed(handler, To("Game")));
    EXPECT_EQ(ListNames(dir.Path()), (Names{"Game.bin", "Game.cue"}));
    EXPECT_EQ(ReadFile(dir / "Game.cue"), CUE);
}

TEST_F(HandlerTest, RenameSetsTheTimesOfEveryFile) {
    WriteFile(dir / "Game.bin", "image");
    WriteFile(dir / "Game.cue", CUE);
    WriteFile(dir / "Game.sub", "sub");
    KelFilePS handler(Params());
    const std::int64_t releaseDate = 946598400;  // 1999-12-31 00:00 UTC
    EXPECT_TRUE(Renamed(handler, {"New", true, releaseDate, {}}));
    for (const char* name : {"New.bin", "New.cue", "New.sub"}) {
        EXPECT_EQ(ModificationTime(dir / name), releaseDate) << name;
    }
}

TEST(RenamedNames, OnlyAVolumeSuffixSurvivesBeforeTheExtension) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Game.part1.rar", "New.part1.rar"},
        {"Game.part01.rar", "New.part01.rar"},
        {"Game.part001.rar", "New.part001.rar"},
        {"Game.part999.rar", "New.part999.rar"},
        {"Game.part0.rar", "New.rar"},
        {"Game.part00.rar", "New.rar"},
        {"Game.part1000.rar", "New.rar"},
        {"Game.PART1.rar", "New.PART1.rar"},
        {"Game.part1x.rar", "New.rar"},
        {"Game.final.iso", "New.iso"},
        {"Game.bin.bak", "New.bak"},
        {"Game.7z.001", "New.7z.001"},
        {"Game.001", "New.001"},
        {"Game", "New"},
    };
    for (const auto& [from, to] : cases) {
        testsupport::TempDir dir;
        WriteFile(dir / from, "x");
        DiscHandlerParams params;
        params.basePath = dir / "Game";
        params.searchArchives = false;
        KelFilePS handler(params);
        EXPECT_TRUE(Renamed(handler, {"New", false, 0, {}})) << from;
        EXPECT_EQ(ListNames(dir.Path()), Names{to}) << from;
    }
}

}  // namespace
