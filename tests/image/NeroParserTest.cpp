#include "image/NeroParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/KelCDImageDAO.h"
#include "support/NeroBuilder.h"

namespace {

using testsupport::Nrg5Image;
using testsupport::NrgChunk;
using testsupport::NrgCue;
using testsupport::NrgCuesBody;
using testsupport::NrgCuexBody;
using testsupport::NrgDaoiBody;
using testsupport::NrgDaoTrack;
using testsupport::NrgDaoxBody;
using testsupport::NrgDiscCues;
using testsupport::NrgEtn2Body;
using testsupport::NrgEtnfBody;
using testsupport::NrgEtnfTrack;
using testsupport::NrgImage;

const std::string PATH = "/discs/game.nrg";
const std::string END = NrgChunk("END!", "");

bool Parse(const std::string& image, TrackTable& table) {
    table = TrackTable{};
    const FooterWindow footer(std::vector<unsigned char>(image.begin(), image.end()), image.size());
    return ParseNero(footer, PATH, table);
}

// A Mode 2 data track with its index 1 at 00:02:00 and an audio track.
std::string TwoTrackCues() {
    return NrgChunk("CUES", NrgCuesBody(NrgDiscCues({0x61, 0x01}, {0, 1000}, {150, 1150}, 2000)));
}

std::string DataOf(std::size_t bytes) {
    return std::string(bytes, '\x33');
}

TEST(NeroParser, CuesAndEndGiveTracksAtTheirPositions) {
    TrackTable table;
    ASSERT_TRUE(Parse(NrgImage(DataOf(3000), TwoTrackCues() + END), table));
    ASSERT_EQ(table.Count(), 2);
    const TrackEntry& data = table.At(0);
    EXPECT_EQ(data.index, 0);
    EXPECT_EQ(data.file, PATH);
    EXPECT_EQ(data.mode, TrackMode::Mode2);
    EXPECT_EQ(data.sectorSize, 2352);
    EXPECT_EQ(data.start, 0);
    EXPECT_EQ(data.dataOffset, 150 * 2352);
    EXPECT_EQ(data.length, 1000 - 0 - 150);  // ended by the next track's index 0
    const TrackEntry& audio = table.At(1);
    EXPECT_EQ(audio.index, 1);
    EXPECT_EQ(audio.mode, TrackMode::Audio);
    EXPECT_EQ(audio.start, 1000);
    EXPECT_EQ(audio.dataOffset, 1150 * 2352);
    EXPECT_EQ(audio.length, 2000 - 1000 - 150);  // ended by the lead-out
}

TEST(NeroParser, ControlBytesGiveModes) {
    TrackTable table;
    const std::string cues = NrgChunk(
        "CUES", NrgCuesBody(NrgDiscCues({0x41, 0x01, 0x61}, {0, 10, 20}, {1, 11, 21}, 30)));
    ASSERT_TRUE(Parse(NrgImage("", cues + END), table));
    EXPECT_EQ(table.At(0).mode, TrackMode::Mode1);
    EXPECT_EQ(table.At(1).mode, TrackMode::Audio);
    EXPECT_EQ(table.At(2).mode, TrackMode::Mode2);
}

TEST(NeroParser, PositionsAreBcd) {
    // 12:34:56 is stored as the bytes 0x12 0x34 0x56.
    TrackTable table;
    const std::uint32_t frames = 12 * 4500 + 34 * 75 + 56;
    const std::string cues =
        NrgChunk("CUES", NrgCuesBody(NrgDiscCues({0x41}, {0}, {frames}, frames + 100)));
    ASSERT_TRUE(Parse(NrgImage("", cues + END), table));
    EXPECT_EQ(table.At(0).dataOffset, std::int32_t(frames * 2352));
}

TEST(NeroParser, DaoiGivesSectorSizesAndIndexOneOffsets) {
    const std::string daoi = NrgChunk(
        "DAOI", NrgDaoiBody({{2048, 0x03, 0, 0, 1000 * 2048},
                             {2352, 0x07, 1000 * 2048, 1000 * 2048 + 150 * 2352, 3000000}}));
    TrackTable table;
    ASSERT_TRUE(Parse(NrgImage(DataOf(100), TwoTrackCues() + daoi + END), table));
    ASSERT_EQ(table.Count(), 2);
    EXPECT_EQ(table.At(0).sectorSize, 2048);
    EXPECT_EQ(table.At(0).dataOffset, 0);
    EXPECT_EQ(table.At(0).mode, TrackMode::Mode2);
    EXPECT_EQ(table.At(0).sectorCount, 1000);
    EXPECT_EQ(table.At(1).sectorSize, 2352);
    EXPECT_EQ(table.At(1).dataOffset, 1000 * 2048 + 150 * 2352);
    EXPECT_EQ(table.At(1).mode, TrackMode::Audio);
    EXPECT_EQ(table.At(1).pregapSectors, 150);
    EXPECT_EQ(table.At(1).sectorCount, (3000000 - 1000 * 2048 - 150 * 2352) / 2352);
    // The places on the disc come from the cue chunk.
    EXPECT_EQ(table.At(0).firstSector, 0);
    EXPECT_EQ(table.At(1).firstSector, 1000);
}

TEST(NeroParser, TheDaoModeWinsOverTheControlByte) {
    // A PlayStation disc: a Mode 2 data track whose control byte (0x41) says
    // only that it holds data.
    const std::string cues =
        NrgChunk("CUES", NrgCuesBody(NrgDiscCues({0x41, 0x01}, {0, 1000}, {150, 1150}, 2000)));
    const std::string daoi =
        NrgChunk("DAOI", NrgDaoiBody({{2352, 0x06, 0, 150 * 2352, 1000 * 2352},
                                      {2352, 0x07, 1000 * 2352, 1150 * 2352, 2000 * 2352}}));
    TrackTable table;
    ASSERT_TRUE(Parse(NrgImage(DataOf(100), cues + daoi + END), table));
    EXPECT_EQ(table.At(0).mode, TrackMode::Mode2);
    EXPECT_EQ(table.At(1).mode, TrackMode::Audio);
}

TEST(NeroParser, DaoTrackModesGiveModeAndSectorSize) {
    const struct {
        unsigned char code;
        TrackMode mode;
        std::int32_t sectorSize;
    } cases[] = {{0x00, TrackMode::Mode1, 2048}, {0x02, TrackMode::Mode2, 2048},
                 {0x03, TrackMode::Mode2, 2336}, {0x05, TrackMode::Mode1, 2352},
                 {0x06, TrackMode::Mode2, 2352}, {0x07, TrackMode::Audio, 2352},
                 {0x0F, TrackMode::Mode1, 2448}, {0x10, TrackMode::Audio, 2448},
                 {0x11, TrackMode::Mode2, 2448}, {0x42, TrackMode::Audio, 2352}};
    const std::string cues = NrgChunk("CUEX", NrgCuexBody(NrgDiscCues({0x41}, {0}, {150}, 1000)));
    for (const auto& entry : cases) {
        // A sector size the entry gives that no disc has is taken from the mode.
        for (const std::uint16_t written : {std::uint16_t(entry.sectorSize), std::uint16_t(7)}) {
            const std::string dao = NrgChunk(
                "DAOX", NrgDaoxBody({{written, entry.code, 0, 0, 100u * entry.sectorSize}}));
            TrackTable table;
            ASSERT_TRUE(Parse(Nrg5Image(DataOf(100), cues + dao + END), table)) << int(entry.code);
            EXPECT_EQ(table.At(0).mode, entry.mode) << int(entry.code);
            EXPECT_EQ(table.At(0).sectorSize, entry.sectorSize) << int(entry.code);
            EXPECT_EQ(table.At(0).sectorCount, 100) << int(entry.code);
        }
    }
}

// What Nero 5.5 and later write: the 64-bit footer, CUEX with sector
// numbers, DAOX with 64-bit offsets, and chunks that place no sectors.
TEST(NeroParser, Ner5ImageWithCuexDaoxAndOtherChunks) {
    const std::uint64_t far = 5ull << 30;  // past 4 GiB
    const std::string cuex = NrgChunk(
        "CUEX", NrgCuexBody(NrgDiscCues({0x41, 0x21}, {0, 300000}, {150, 300150}, 400000)));
    const std::string daox =
        NrgChunk("DAOX", NrgDaoxBody({{2352, 0x06, 0, 150 * 2352, far},
                                      {2352, 0x07, far, far + 150 * 2352, far + 99850ull * 2352}}));
    const std::string others = NrgChunk("CDTX", std::string(18 * 3, '\x80')) +
                               NrgChunk("SINF", std::string("\0\0\0\2", 4)) +
                               NrgChunk("MTYP", std::string("\0\0\0\1", 4));
    TrackTable table;
    ASSERT_TRUE(Parse(Nrg5Image(DataOf(64), cuex + daox + others + END), table));
    ASSERT_EQ(table.Count(), 2);
    EXPECT_EQ(table.At(0).mode, TrackMode::Mode2);
    EXPECT_EQ(table.At(0).dataOffset, 150 * 2352);
    EXPECT_EQ(table.At(0).firstSector, 0);
    EXPECT_EQ(table.At(0).pregapSectors, 150);
    EXPECT_EQ(table.At(1).index, 1);
    EXPECT_EQ(table.At(1).file, PATH);
    EXPECT_EQ(table.At(1).mode, TrackMode::Audio);
    EXPECT_EQ(table.At(1).dataOffset, std::int64_t(far + 150 * 2352));
    EXPECT_EQ(table.At(1).firstSector, 300000);
    EXPECT_EQ(table.At(1).sectorCount, 99850 - 150);

    // Offsets no file reaches are damage.
    const std::string wild = NrgChunk("DAOX", NrgDaoxBody({{2352, 0x06, 0, 1ull << 60, 0}}));
    EXPECT_FALSE(Parse(Nrg5Image(DataOf(64), cuex + wild + END), table));
}

TEST(NeroParser, EverySessionPlacesItsOwnTracks) {
    // Two disc-at-once sessions, each a cue chunk, a DAO chunk and SINF; the
    // second session's sectors follow the first's in the file.
    const std::string sinf = NrgChunk("SINF", std::string("\0\0\0\1", 4));
    const std::string first = NrgChunk("CUEX", NrgCuexBody(NrgDiscCues({0x41}, {0}, {150}, 1150))) +
                              NrgChunk("DAOX", NrgDaoxBody({{2048, 0x00, 0, 0, 1000 * 2048}})) +
                              sinf;
    const std::vector<NrgCue> secondCues = {{0x41, 0x00, 0, 12550},
                                            {0x41, 0x02, 0, 12550},
                                            {0x41, 0x02, 1, 12700},
                                            {0x41, 0xAA, 1, 13700}};
    const std::string second =
        NrgChunk("CUEX", NrgCuexBody(secondCues)) +
        NrgChunk("DAOX", NrgDaoxBody({{2048, 0x00, 1000 * 2048, 1150 * 2048, 2150 * 2048}})) + sinf;
    TrackTable table;
    ASSERT_TRUE(Parse(Nrg5Image(DataOf(64), first + second + END), table));
    ASSERT_EQ(table.Count(), 2);
    EXPECT_EQ(table.At(1).index, 1);
    EXPECT_EQ(table.At(1).dataOffset, 1150 * 2048);
    EXPECT_EQ(table.At(1).firstSector, 12700 - 150);
    EXPECT_EQ(table.At(1).pregapSectors, 150);
    EXPECT_EQ(table.At(1).sectorCount, 1000);
}

TEST(NeroParser, SinfIsSkippedAndEtnfAppendsTracks) {
    const std::string daoi = NrgChunk("DAOI", NrgDaoiBody({{2352, 6, 0, 352800, 0}}));
    const std::string sinf = NrgChunk("SINF", std::string(4, '\x01'));
    const std::vector<NrgEtnfTrack> etnf = {
        {5000000, 2048 * 300, 0, 900}, {6000000, 2336 * 450, 1, 1200}, {7000000, 2048 * 160, 2, 0},
        {7100000, 2336 * 160, 3, 0},   {8000000, 2352 * 200, 5, 0},    {9000000, 2352 * 200, 6, 0},
        {9500000, 2352 * 200, 4, 0}};
    const std::string chunks = NrgChunk("CUES", NrgCuesBody(NrgDiscCues({0x61}, {0}, {150}, 500))) +
                               daoi + sinf + NrgChunk("ETNF", NrgEtnfBody(etnf)) + END;
    TrackTable table;
    ASSERT_TRUE(Parse(NrgImage("", chunks), table));
    ASSERT_EQ(table.Count(), 8);
    const TrackEntry& first = table.At(1);
    EXPECT_EQ(first.index, 1);
    EXPECT_EQ(first.file, PATH);
    EXPECT_EQ(first.mode, TrackMode::Mode1);
    EXPECT_EQ(first.sectorSize, 2048);
    EXPECT_EQ(first.dataOffset, 5000000);
    EXPECT_EQ(first.start, 900);
    EXPECT_EQ(first.sectorCount, 300);
    // Track-at-once tracks have a pregap of two seconds that the image does
    // not store and that the start sectors leave out.
    EXPECT_EQ(first.firstSector, 900);
    EXPECT_EQ(table.At(2).firstSector, 1200 + 150);
    EXPECT_EQ(table.At(2).mode, TrackMode::Mode2);
    EXPECT_EQ(table.At(2).sectorSize, 2336);
    EXPECT_EQ(table.At(2).sectorCount, 450);
    EXPECT_EQ(table.At(3).mode, TrackMode::Mode2);  // Mode 2 Form 1, user data only
    EXPECT_EQ(table.At(3).sectorSize, 2048);
    EXPECT_EQ(table.At(4).sectorSize, 2336);
    EXPECT_EQ(table.At(5).mode, TrackMode::Mode1);
    EXPECT_EQ(table.At(5).sectorSize, 2352);
    EXPECT_EQ(table.At(6).mode, TrackMode::Mode2);
    EXPECT_EQ(table.At(6).sectorSize, 2352);
    EXPECT_EQ(table.At(7).mode, TrackMode::Audio);
    EXPECT_EQ(table.At(7).sectorSize, 2352);

    // ETN2 has 64-bit offsets and lengths.
    const std::string etn2 = NrgChunk("ETN2", NrgEtn2Body({{6ull << 30, 2352ull * 1000000, 6, 0}}));
    ASSERT_TRUE(Parse(Nrg5Image("", etn2 + sinf + END), table));
    ASSERT_EQ(table.Count(), 1);
    EXPECT_EQ(table.At(0).dataOffset, std::int64_t(6ull << 30));
    EXPECT_EQ(table.At(0).sectorCount, 1000000);
    EXPECT_EQ(table.At(0).mode, TrackMode::Mode2);
}

TEST(NeroParser, ChainThatRunsToTheEndOfTheFileSucceeds) {
    // The last chunk's body holds the four bytes that locate the chain.
    const std::string head = TwoTrackCues() + NrgChunk("DAOI", NrgDaoiBody({}));
    std::string image =
        DataOf(64) + head + "SINF" + std::string("\0\0\0\4", 4) + std::string("\0\0\0\x40", 4);
    TrackTable table;
    ASSERT_TRUE(Parse(image, table));
    EXPECT_EQ(table.Count(), 2);
}

TEST(NeroParser, ChainMustHoldTracks) {
    TrackTable table;
    ASSERT_TRUE(Parse(NrgImage("", NrgChunk("ETNF", NrgEtnfBody({{0, 2336, 3, 0}})) + END), table));
    EXPECT_EQ(table.At(0).mode, TrackMode::Mode2);
    EXPECT_EQ(table.At(0).sectorSize, 2336);
    ASSERT_TRUE(Parse(
        NrgImage("", NrgChunk("CUEX", NrgCuexBody(NrgDiscCues({0x41}, {0}, {150}, 300))) + END),
        table));
    EXPECT_EQ(table.At(0).dataOffset, 150 * 2352);
    EXPECT_FALSE(Parse(NrgImage("", END), table));
    EXPECT_FALSE(Parse(Nrg5Image("", NrgChunk("SINF", std::string(4, '\0')) + END), table));
}

TEST(NeroParser, SessionsEndAtSinfEndOrTheFooter) {
    TrackTable table;
    ASSERT_TRUE(Parse(NrgImage("", TwoTrackCues() + NrgChunk("SINF", "abcd") + END), table));
    EXPECT_EQ(table.Count(), 2);
    ASSERT_TRUE(Parse(NrgImage("", TwoTrackCues()), table));
    EXPECT_EQ(table.Count(), 2);
    ASSERT_TRUE(Parse(Nrg5Image("", TwoTrackCues()), table));
    EXPECT_EQ(table.Count(), 2);
}

TEST(NeroParser, UnknownChunkFails) {
    const std::string daoi = NrgChunk("DAOI", NrgDaoiBody({}));
    TrackTable table;
    EXPECT_FALSE(Parse(NrgImage("", TwoTrackCues() + daoi + NrgChunk("XXXX", "xx") + END), table));
    EXPECT_FALSE(Parse(NrgImage("", NrgChunk("cues", "") + TwoTrackCues() + END), table));
    for (const char* skipped : {"CDTX", "MTYP", "DINF", "TOCT", "RELO"}) {
        EXPECT_TRUE(
            Parse(NrgImage("", TwoTrackCues() + daoi + NrgChunk(skipped, "xx") + END), table))
            << skipped;
    }
}

TEST(NeroParser, DaoEntriesNeedTheirCueTracks) {
    const std::string daoi = NrgChunk("DAOI", NrgDaoiBody({{2352, 6, 0, 0, 2352}}));
    TrackTable table;
    EXPECT_FALSE(Parse(NrgImage("", daoi + END), table));
    // A cue track of index 0 only takes its place from its pregap.
    const std::vector<NrgCue> cues = {
        {0x41, 0x00, 0, 0}, {0x41, 0x01, 0, 100}, {0x41, 0xAA, 1, 300}};
    const std::string dao = NrgChunk("DAOI", NrgDaoiBody({{2352, 6, 0, 50 * 2352, 200 * 2352}}));
    ASSERT_TRUE(Parse(NrgImage("", NrgChunk("CUES", NrgCuesBody(cues)) + dao + END), table));
    EXPECT_EQ(table.At(0).firstSector, 100 - 150 + 50);
}

TEST(NeroParser, UnknownControlByteWithoutDaoEntryFails) {
    TrackTable table;
    const std::string cues =
        NrgChunk("CUES", NrgCuesBody(NrgDiscCues({0x41, 0x42}, {0, 10}, {1, 11}, 30)));
    EXPECT_FALSE(Parse(NrgImage("", cues + END), table));
}

TEST(NeroParser, ChunkSizesPastTheEndFail) {
    TrackTable table;
    std::string cues = TwoTrackCues();
    cues[4] = char(0x10);  // CUES size, high byte
    EXPECT_FALSE(Parse(NrgImage("", cues + END), table));
    const std::string daoi = NrgChunk("DAOI", NrgDaoiBody({}));
    EXPECT_FALSE(Parse(NrgImage("", TwoTrackCues() + daoi + "SINF\x7F\xFF\xFF\xFF" + END), table));
    EXPECT_FALSE(Parse(
        NrgImage("", TwoTrackCues() + daoi + std::string("ETNF\x00\x10\x00\x00", 8) + END), table));
}

TEST(NeroParser, ChainOffsetPastTheEndFails) {
    std::string image = NrgImage(DataOf(10), TwoTrackCues() + END);
    image.replace(image.size() - 4, 4, "\x7F\x00\x00\x00");
    TrackTable table;
    EXPECT_FALSE(Parse(image, table));
    EXPECT_FALSE(Parse("abc", table));
}

TEST(NeroParser, CuesShorterThanItsLeadInFails) {
    TrackTable table;
    EXPECT_FALSE(Parse(NrgImage("", NrgChunk("CUES", std::string(8, '\0')) + END), table));
}

TEST(NeroParser, NinetyNineTracksFitAndMoreFail) {
    std::vector<unsigned char> controls(99, 0x01);
    std::vector<std::uint32_t> index0, index1;
    for (std::uint32_t t = 0; t < 99; ++t) {
        index0.push_back(t * 100);
        index1.push_back(t * 100 + 2);
    }
    TrackTable table;
    ASSERT_TRUE(Parse(
        NrgImage("",
                 NrgChunk("CUES", NrgCuesBody(NrgDiscCues(controls, index0, index1, 9950))) + END),
        table));
    EXPECT_EQ(table.Count(), 99);
    EXPECT_EQ(table.At(98).dataOffset, (98 * 100 + 2) * 2352);

    // One more entry pair makes 100 tracks.
    std::vector<NrgCue> cues = NrgDiscCues(controls, index0, index1, 9950);
    cues.insert(cues.end() - 1, {{0x01, 0x99, 0, 9900}, {0x01, 0x99, 1, 9902}});
    EXPECT_FALSE(Parse(NrgImage("", NrgChunk("CUES", NrgCuesBody(cues)) + END), table));
    // An odd entry count past 99 tracks would reach row 99.
    cues = NrgDiscCues(controls, index0, index1, 9950);
    cues.push_back({0x01, 0x99, 1, 9990});
    EXPECT_FALSE(Parse(NrgImage("", NrgChunk("CUES", NrgCuesBody(cues)) + END), table));
}

TEST(NeroParser, DaoiOrEtnfBeyondNinetyNineTracksFails) {
    TrackTable table;
    const std::string daoi = NrgChunk("DAOI", NrgDaoiBody(std::vector<NrgDaoTrack>(100)));
    EXPECT_FALSE(Parse(NrgImage("", TwoTrackCues() + daoi + END), table));
    const std::string etnf = NrgChunk("ETNF", NrgEtnfBody(std::vector<NrgEtnfTrack>(98)));
    EXPECT_FALSE(Parse(
        NrgImage("", TwoTrackCues() + NrgChunk("DAOI", NrgDaoiBody({})) + etnf + END), table));
}

TEST(NeroParser, OffsetsBeyondThirtyTwoBitsFail) {
    TrackTable table;
    const std::string daoi = NrgChunk("DAOI", NrgDaoiBody({{2352, 0, 0, 0x80000000u, 0}}));
    EXPECT_FALSE(Parse(NrgImage("", TwoTrackCues() + daoi + END), table));
    const std::string etnf = NrgChunk("ETNF", NrgEtnfBody({{0x80000000u, 2352, 0, 0}}));
    EXPECT_FALSE(Parse(
        NrgImage("", TwoTrackCues() + NrgChunk("DAOI", NrgDaoiBody({})) + etnf + END), table));
}

TEST(NeroParser, GoodImagesTruncatedByOneByteFail) {
    const std::string daoi = NrgChunk("DAOI", NrgDaoiBody({{2048, 0, 0, 0, 0}}));
    const std::string daox = NrgChunk("DAOX", NrgDaoxBody({{2048, 0, 0, 0, 0}}));
    for (const std::string& image : {NrgImage(DataOf(100), TwoTrackCues() + END),
                                     NrgImage(DataOf(100), TwoTrackCues() + daoi + END),
                                     Nrg5Image(DataOf(100), TwoTrackCues() + daox + END)}) {
        TrackTable table;
        ASSERT_TRUE(Parse(image, table));
        EXPECT_FALSE(Parse(image.substr(0, image.size() - 1), table));
    }
}

TEST(NeroImage, ReadsTheFooterOfTheImage) {
    MemoryImageFiles files;
    files.Add(PATH, NrgImage(DataOf(2 << 20), TwoTrackCues() + END));
    const KelCDImageDAO reader(PATH, files);
    ASSERT_TRUE(reader.IsOpened());
    EXPECT_EQ(reader.TrackFileName(0), PATH);
    EXPECT_EQ(reader.TrackCount(), 2);
    EXPECT_FALSE(KelCDImageDAO("/discs/missing.nrg", files).IsOpened());
}

}  // namespace
