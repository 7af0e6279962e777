// Discs of several tracks behind every kind of descriptor: each sector must be
// read from the track that holds it (its file, offset, sector size and mode),
// as the libcdio tools read the same disc.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/KelCDFileSystem.h"
#include "image/KelCDImage.h"
#include "support/CdTools.h"
#include "support/DiscTracks.h"
#include "support/Files.h"
#include "support/NeroBuilder.h"
#include "support/RawSectors.h"
#include "support/TempDir.h"

namespace {

using testsupport::CueSet;
using testsupport::DiscTrack;
using testsupport::NumberedSectors;
using testsupport::RawLayout;
using testsupport::TempDir;
using testsupport::ToRawSectors;
using testsupport::WriteFile;

const std::string SYSTEM_CNF = "BOOT = cdrom:\\SLUS_012.34;1\r\nTCB = 4\r\n";

#define REQUIRE_TOOLS(...)                                                          \
    do {                                                                            \
        for (const char* tool : {__VA_ARGS__}) {                                    \
            if (!testsupport::HaveTool(tool)) GTEST_SKIP() << tool << " not found"; \
        }                                                                           \
    } while (false)

// A PlayStation data track made by genisoimage, cooked.
std::string GenisoimageDisc(const std::string& folder) {
    testsupport::MakeDirs(folder + "/source/DATA");
    WriteFile(folder + "/source/SYSTEM.CNF", SYSTEM_CNF);
    WriteFile(folder + "/source/SLUS_012.34", NumberedSectors(1, 0, 40, 2048));
    WriteFile(folder + "/source/DATA/MOVIE.STR", NumberedSectors(1, 100, 90, 2048));
    EXPECT_EQ(testsupport::RunCommand("genisoimage -quiet -o " +
                                      testsupport::ShellQuote(folder + "/data.iso") + " " +
                                      testsupport::ShellQuote(folder + "/source")),
              0);
    return testsupport::ReadFile(folder + "/data.iso");
}

// The data track of a disc and audio tracks of plain bytes, each after a
// stored pregap of two seconds.
std::vector<DiscTrack> DataAndAudio(const std::string& cooked, int audioTracks) {
    std::vector<DiscTrack> tracks = {
        {"MODE2/2352", 2352, "", ToRawSectors(cooked, RawLayout::Raw2352Mode2)}};
    for (int track = 2; track <= audioTracks + 1; ++track) {
        tracks.push_back({"AUDIO", 2352, NumberedSectors(track, 0, 150),
                          NumberedSectors(track, 150, 10 + track)});
    }
    return tracks;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// Sectors `first` .. `first + count - 1` as the facade reads them; blocks it
// cannot read stay 'Z'.
std::string OurBlocks(const std::string& path, std::int64_t first, std::int64_t count,
                      bool expectComplete = true) {
    const KelCDImage image(path);
    EXPECT_TRUE(image.IsOpened()) << path;
    std::string blocks(std::size_t(count) * 2048, 'Z');
    EXPECT_EQ(image.ReadSectors(reinterpret_cast<unsigned char*>(blocks.data()), first,
                                std::int32_t(count)),
              expectComplete)
        << path;
    return blocks;
}

// The first block at which two readings differ, or -1.
std::int64_t FirstDifferentBlock(const std::string& ours, const std::string& theirs) {
    if (ours.size() != theirs.size())
        return std::int64_t(std::min(ours.size(), theirs.size()) / 2048);
    for (std::size_t at = 0; at < ours.size(); at += 2048) {
        if (ours.compare(at, 2048, theirs, at, 2048) != 0) return std::int64_t(at / 2048);
    }
    return -1;
}

void ExpectPlayStationFiles(const std::string& path) {
    KelCDFileSystem fileSystem(path);
    ASSERT_TRUE(fileSystem.IsValid()) << path;
    const std::int32_t config = fileSystem.OpenFile("SYSTEM.CNF");
    ASSERT_GE(config, 0) << path;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(fileSystem.FileData(config)),
                          std::size_t(fileSystem.FileSize(config))),
              SYSTEM_CNF)
        << path;
}

// A redump set of twelve tracks, as written on Linux and as a Windows tool
// writes it, reads like the same disc in one file read by cd-read.
TEST(MultiTrackImages, RedumpSetsReadLikeTheSameDiscInOneFile) {
    REQUIRE_TOOLS("genisoimage", "cd-info", "cd-read");
    TempDir dir;
    const std::vector<DiscTrack> tracks = DataAndAudio(GenisoimageDisc(dir / "iso"), 11);
    testsupport::WriteCueSet(dir / "one", testsupport::SingleFileCueSet("Game.bin", tracks),
                             "Game.cue");
    const std::string single = dir / "one/Game.cue";
    const std::vector<std::int64_t> starts = testsupport::CdInfoTrackSectors("--cue-file", single);
    ASSERT_EQ(starts.size(), 13u);
    const std::int64_t total = starts.back();
    // The data track's user data, then every frame of the audio tracks and
    // their pregaps.
    const std::int64_t dataEnd = starts[1] - 150;
    const std::string expected =
        testsupport::CdReadBlocks("--cue-file", single, "m2f1", 0, dataEnd) +
        testsupport::UserDataOfFrames(
            testsupport::CdReadBlocks("--cue-file", single, "audio", dataEnd, total - dataEnd));
    ASSERT_EQ(expected.size(), std::size_t(total) * 2048);

    const CueSet redump = testsupport::RedumpCueSet("Game (USA)", tracks);
    EXPECT_EQ(redump.files[9].first, "Game (USA) (Track 10).bin");
    testsupport::WriteCueSet(dir / "redump", redump, "Game (USA).cue");
    // Data files in a folder beside the sheet, named with '\' and without
    // quotes; lower-case keywords; a byte-order mark.
    CueSet windows = redump;
    windows.sheet =
        "\xEF\xBB\xBF" +
        ReplaceAll(
            ReplaceAll(ReplaceAll(ReplaceAll(ReplaceAll(redump.sheet, "FILE \"", "file Disc 1\\"),
                                             "\" BINARY", " binary"),
                                  "TRACK", "track"),
                       "INDEX", "index"),
            "AUDIO", "audio");
    testsupport::WriteCueSet(dir / "windows/Disc 1", windows, "../Game (USA).cue");

    for (const std::string& sheet :
         {single, dir / "redump/Game (USA).cue", dir / "windows/Game (USA).cue"}) {
        EXPECT_EQ(KelCDImage(sheet).SectorCount(), total) << sheet;
        EXPECT_EQ(FirstDifferentBlock(OurBlocks(sheet, 0, total), expected), -1) << sheet;
        ExpectPlayStationFiles(sheet);
    }
}

// Tracks of every sector size in one file and in a file each: pregaps are
// stored with their own track's sector size. The tools here cannot read such
// sheets, so the disc is known by construction.
TEST(MultiTrackImages, MixedSectorSizes) {
    const auto raw = [](int track, int count, RawLayout layout) {
        return ToRawSectors(NumberedSectors(track, 0, count, 2048), layout);
    };
    const std::string mode2336 = raw(2, 40, RawLayout::Raw2336Mode2);
    const std::string mode1 = raw(5, 30, RawLayout::Raw2352Mode1);
    const std::vector<DiscTrack> tracks = {
        {"MODE1/2048", 2048, "", NumberedSectors(1, 0, 25, 2048)},
        {"MODE2/2336", 2336, mode2336.substr(0, 10 * 2336), mode2336.substr(10 * 2336)},
        {"AUDIO", 2352, NumberedSectors(3, 0, 150), NumberedSectors(3, 150, 20)},
        {"CDG", 2448, NumberedSectors(4, 0, 5, 2448), NumberedSectors(4, 5, 15, 2448)},
        {"MODE1/2352", 2352, "", mode1},
    };
    // Data tracks give their blocks, audio the first 2048 bytes of each sector.
    std::string disc = NumberedSectors(1, 0, 25, 2048) + NumberedSectors(2, 0, 40, 2048) +
                       testsupport::UserDataOfFrames(NumberedSectors(3, 0, 170));
    for (int sector = 0; sector < 20; ++sector)
        disc += NumberedSectors(4, sector, 1, 2448).substr(0, 2048);
    disc += NumberedSectors(5, 0, 30, 2048);
    const std::int64_t total = std::int64_t(disc.size() / 2048);

    TempDir dir;
    const CueSet single = testsupport::SingleFileCueSet("disc.bin", tracks);
    testsupport::WriteCueSet(dir.Path(), single, "single.cue");
    testsupport::WriteCueSet(dir.Path(), testsupport::RedumpCueSet("disc", tracks), "redump.cue");
    for (const char* sheet : {"single.cue", "redump.cue"}) {
        EXPECT_EQ(KelCDImage(dir / sheet).SectorCount(), total) << sheet;
        EXPECT_EQ(FirstDifferentBlock(OurBlocks(dir / sheet, 0, total), disc), -1) << sheet;
    }

    // Silence the file does not store (PREGAP) moves the later tracks on the
    // disc and cannot be read.
    const std::string withPregap = ReplaceAll(single.sheet, "  TRACK 05 MODE1/2352\r\n",
                                              "  TRACK 05 MODE1/2352\r\n    PREGAP 00:00:10\r\n");
    WriteFile(dir / "pregap.cue", withPregap);
    const std::int64_t gapAt = total - 30;
    const std::string gapped = disc.substr(0, std::size_t(gapAt) * 2048) +
                               std::string(10 * 2048, 'Z') + disc.substr(std::size_t(gapAt) * 2048);
    EXPECT_EQ(FirstDifferentBlock(OurBlocks(dir / "pregap.cue", 0, total + 10, false), gapped), -1);
}

// A CloneCD control file of the kind CloneCD writes today (version 3), with
// [TRACK n] sections that place each pregap.
std::string CloneCDControl(const std::vector<std::vector<std::int64_t>>& sessions,
                           const std::vector<std::int64_t>& leadOuts, int preGapMode) {
    std::string entries;
    int count = 0;
    std::string trackSections;
    int track = 0;
    for (std::size_t s = 0; s < sessions.size(); ++s) {
        const auto entry = [&](const std::string& point, int control, std::int64_t plba) {
            entries += "[Entry " + std::to_string(count++) +
                       "]\r\nSession=" + std::to_string(s + 1) + "\r\nPoint=" + point +
                       "\r\nADR=0x01\r\nControl=0x0" + std::to_string(control) +
                       "\r\nTrackNo=0\r\nPLBA=" + std::to_string(plba) + "\r\n";
        };
        entry("0xa2", 4, leadOuts[s]);
        for (std::size_t i = 0; i < sessions[s].size(); ++i) {
            ++track;
            // Track 1 of each session holds data, the others audio.
            const bool data = i == 0;
            char point[16];
            std::snprintf(point, sizeof point, "0x%02x", track);
            entry(point, data ? 4 : 0, sessions[s][i] + (data ? 0 : 150));
            trackSections +=
                "[TRACK " + std::to_string(track) + "]\r\nMODE=" + (data ? "2" : "0") + "\r\n";
            if (!data) trackSections += "INDEX 0=" + std::to_string(sessions[s][i]) + "\r\n";
            trackSections +=
                "INDEX 1=" + std::to_string(sessions[s][i] + (data ? 0 : 150)) + "\r\n";
        }
    }
    std::string text = "[CloneCD]\r\nVersion=3\r\n[Disc]\r\nTocEntries=" + std::to_string(count) +
                       "\r\nSessions=" + std::to_string(sessions.size()) +
                       "\r\nDataTracksScrambled=0\r\nCDTextLength=0\r\n";
    for (std::size_t s = 0; s < sessions.size(); ++s) {
        text += "[Session " + std::to_string(s + 1) +
                "]\r\nPreGapMode=" + std::to_string(preGapMode) + "\r\nPreGapSubC=0\r\n";
    }
    return text + entries + trackSections;
}

TEST(MultiTrackImages, CloneCDImagesReadLikeTheSameDiscBehindACueSheet) {
    REQUIRE_TOOLS("genisoimage", "cd-info", "cd-read");
    TempDir dir;
    const std::vector<DiscTrack> tracks = DataAndAudio(GenisoimageDisc(dir / "iso"), 2);
    const CueSet cue = testsupport::SingleFileCueSet("Game.bin", tracks);
    testsupport::WriteCueSet(dir.Path(), cue, "Game.cue");
    const std::vector<std::int64_t> starts =
        testsupport::CdInfoTrackSectors("--cue-file", dir / "Game.cue");
    ASSERT_EQ(starts.size(), 4u);
    const std::int64_t dataEnd = starts[1] - 150;
    const std::string expected =
        testsupport::CdReadBlocks("--cue-file", dir / "Game.cue", "m2f1", 0, dataEnd) +
        testsupport::UserDataOfFrames(testsupport::CdReadBlocks(
            "--cue-file", dir / "Game.cue", "audio", dataEnd, starts[3] - dataEnd));

    // Written on Windows: the image file's name differs in case.
    WriteFile(dir / "GAME.IMG", cue.files[0].second);
    WriteFile(dir / "Game.ccd",
              CloneCDControl({{0, starts[1] - 150, starts[2] - 150}}, {starts[3]}, 2));
    EXPECT_EQ(KelCDImage(dir / "Game.ccd").SectorCount(), starts[3]);
    EXPECT_EQ(FirstDifferentBlock(OurBlocks(dir / "Game.ccd", 0, starts[3]), expected), -1);
    ExpectPlayStationFiles(dir / "Game.ccd");
}

TEST(MultiTrackImages, SecondSessionOfACloneCDImage) {
    // Session 2 starts 11400 sectors after session 1's lead-out on the disc,
    // and right after session 1's sectors in the image file.
    const std::string first = NumberedSectors(1, 0, 300, 2048);
    const std::string second = NumberedSectors(2, 0, 200, 2048);
    TempDir dir;
    WriteFile(dir / "disc.img", ToRawSectors(first + second, RawLayout::Raw2352Mode2));
    const std::int64_t secondStart = 300 + 11400;
    WriteFile(dir / "disc.ccd", CloneCDControl({{0}, {secondStart}}, {300, secondStart + 200}, 2));
    EXPECT_EQ(KelCDImage(dir / "disc.ccd").SectorCount(), secondStart + 200);
    EXPECT_EQ(OurBlocks(dir / "disc.ccd", 0, 300), first);
    EXPECT_EQ(OurBlocks(dir / "disc.ccd", secondStart, 200), second);
    // The sectors between the sessions are in no track.
    EXPECT_EQ(OurBlocks(dir / "disc.ccd", 299, 2, false),
              first.substr(299 * 2048) + std::string(2048, 'Z'));
}

// Nero images of a PlayStation disc with audio tracks, disc-at-once and
// track-at-once, old and new footer, read as cd-read reads them. The data
// track's control byte (0x41) does not tell its mode; the DAO entry does.
TEST(MultiTrackImages, NeroImagesReadLikeCdRead) {
    REQUIRE_TOOLS("genisoimage", "cd-info", "cd-read");
    using namespace testsupport;
    TempDir dir;
    const std::string cooked = GenisoimageDisc(dir / "iso");
    const std::vector<DiscTrack> tracks = DataAndAudio(cooked, 2);

    // Disc-at-once, as Nero writes it: the disc from the first track's
    // pregap on, each track placed by its index 0 and index 1.
    std::vector<DiscTrack> stored = tracks;
    stored[0].pregap = ToRawSectors(std::string(150 * 2048, '\0'), RawLayout::Raw2352Mode2);
    std::string dao;
    std::vector<NrgCue> cues = {{0x41, 0x00, 0, 0}};
    std::vector<NrgDaoTrack> daoTracks;
    // Track-at-once: no pregaps stored; start sectors count stored sectors.
    std::string tao;
    std::vector<NrgEtnfTrack> taoTracks;
    std::uint32_t frames = 0;  // places on the disc from 00:00:00
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const DiscTrack& track = stored[i];
        const unsigned char control = i == 0 ? 0x41 : 0x01;
        const unsigned char number = static_cast<unsigned char>(i + 1);
        cues.push_back({control, number, 0, frames});
        frames += std::uint32_t(track.PregapSectors());
        cues.push_back({control, number, 1, frames});
        frames += std::uint32_t(track.BodySectors());
        daoTracks.push_back({2352, static_cast<unsigned char>(i == 0 ? 0x06 : 0x07), dao.size(),
                             dao.size() + track.pregap.size(),
                             dao.size() + track.pregap.size() + track.body.size()});
        dao += track.pregap + track.body;
        taoTracks.push_back(
            {tao.size(), track.body.size(), i == 0 ? 6u : 7u, std::uint32_t(tao.size() / 2352)});
        tao += track.body;
    }
    cues.push_back({0x01, 0xAA, 1, frames});
    const std::string end = NrgChunk("SINF", std::string("\0\0\0\3", 4)) +
                            NrgChunk("MTYP", std::string("\0\0\0\1", 4)) + NrgChunk("END!", "");
    const std::string dao5 = dir / "dao5.nrg";
    WriteFile(dao5, Nrg5Image(dao, NrgChunk("CUEX", NrgCuexBody(cues)) +
                                       NrgChunk("DAOX", NrgDaoxBody(daoTracks)) + end));
    const std::vector<std::int64_t> starts = CdInfoTrackSectors("--nrg-file", dao5);
    ASSERT_EQ(starts.size(), 4u);
    EXPECT_EQ(KelCDImage(dao5).SectorCount(), starts[3]);
    // cd-read's frames from sector 0 on, the data track's user data after its
    // Mode 2 header (its Mode 2 reads of these images are off).
    const std::int64_t dataEnd = starts[1] - 150;
    const std::string disc =
        UserDataOfFrames(CdReadBlocks("--nrg-file", dao5, "audio", 0, dataEnd), 24) +
        UserDataOfFrames(CdReadBlocks("--nrg-file", dao5, "audio", dataEnd, starts[3] - dataEnd));
    EXPECT_EQ(FirstDifferentBlock(OurBlocks(dao5, 0, starts[3]), disc), -1);
    ExpectPlayStationFiles(dao5);

    // The same disc with CUES and DAOI reads alike (the tools here read the
    // places of CUES as sector numbers, which they are not).
    WriteFile(dir / "dao.nrg", NrgImage(dao, NrgChunk("CUES", NrgCuesBody(cues)) +
                                                 NrgChunk("DAOI", NrgDaoiBody(daoTracks)) + end));
    EXPECT_EQ(KelCDImage(dir / "dao.nrg").SectorCount(), starts[3]);
    EXPECT_EQ(FirstDifferentBlock(OurBlocks(dir / "dao.nrg", 0, starts[3]), disc), -1);
    ExpectPlayStationFiles(dir / "dao.nrg");

    // Track-at-once (ETNF, ETN2): each track's sectors where the disc has
    // them, two seconds after the previous track (the tools here read only
    // images of one sector size; the corpus test reads a real one).
    WriteFile(dir / "tao.nrg", NrgImage(tao, NrgChunk("ETNF", NrgEtnfBody(taoTracks)) + end));
    WriteFile(dir / "tao5.nrg", Nrg5Image(tao, NrgChunk("ETN2", NrgEtn2Body(taoTracks)) + end));
    for (const char* name : {"tao.nrg", "tao5.nrg"}) {
        std::int64_t first = 0;
        for (std::size_t t = 0; t < tracks.size(); ++t) {
            const std::int64_t count = tracks[t].BodySectors();
            EXPECT_EQ(OurBlocks(dir / name, first, count),
                      disc.substr(std::size_t(starts[t]) * 2048, std::size_t(count) * 2048))
                << name << " track " << t + 1;
            first += count + 150;
        }
        ExpectPlayStationFiles(dir / name);
    }
}

}  // namespace
