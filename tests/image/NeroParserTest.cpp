#include "image/NeroParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/KelCDImageDAO.h"
#include "support/NeroBuilder.h"

namespace {

using testsupport::NrgChunk;
using testsupport::NrgCue;
using testsupport::NrgCuesBody;
using testsupport::NrgDaoiBody;
using testsupport::NrgDaoTrack;
using testsupport::NrgDiscCues;
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
    EXPECT_EQ(table.At(0).mode, TrackMode::Mode2);  // the mode stays the one CUES gave
    EXPECT_EQ(table.At(1).sectorSize, 2352);
    EXPECT_EQ(table.At(1).dataOffset, 1000 * 2048 + 150 * 2352);
    EXPECT_EQ(table.At(1).mode, TrackMode::Audio);
}

TEST(NeroParser, SinfIsSkippedAndEtnfAppendsTracks) {
    const std::string daoi = NrgChunk("DAOI", NrgDaoiBody({{2352, 0, 0, 352800, 0}}));
    const std::string sinf = NrgChunk("SINF", std::string(4, '\x01'));
    const std::vector<NrgEtnfTrack> etnf = {
        {5000000, 2048 * 300, 0, 900}, {6000000, 2336 * 450, 1, 1200}, {7000000, 2336 * 160, 2, 0},
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
    EXPECT_EQ(first.length, 300 - 150);
    EXPECT_EQ(table.At(2).mode, TrackMode::Mode2);
    EXPECT_EQ(table.At(2).sectorSize, 2336);
    EXPECT_EQ(table.At(2).length, 450 - 150);
    EXPECT_EQ(table.At(3).sectorSize, 2336);
    EXPECT_EQ(table.At(4).sectorSize, 2336);
    EXPECT_EQ(table.At(5).mode, TrackMode::Mode1);
    EXPECT_EQ(table.At(5).sectorSize, 2352);
    EXPECT_EQ(table.At(6).mode, TrackMode::Mode2);
    EXPECT_EQ(table.At(6).sectorSize, 2352);
    EXPECT_EQ(table.At(7).mode, TrackMode::Audio);
    EXPECT_EQ(table.At(7).sectorSize, 2352);
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

TEST(NeroParser, FirstChunkMustBeCues) {
    TrackTable table;
    EXPECT_FALSE(
        Parse(NrgImage("", NrgChunk("ETNF", NrgEtnfBody({{0, 2336, 3, 0}})) + END), table));
    EXPECT_FALSE(Parse(
        NrgImage("", NrgChunk("CUEX", NrgCuesBody(NrgDiscCues({0x41}, {0}, {150}, 300))) + END),
        table));
    EXPECT_FALSE(Parse(NrgImage("", END), table));
}

TEST(NeroParser, AfterCuesOnlyEndOrDaoi) {
    TrackTable table;
    EXPECT_FALSE(Parse(NrgImage("", TwoTrackCues() + NrgChunk("SINF", "abcd") + END), table));
    EXPECT_FALSE(Parse(NrgImage("", TwoTrackCues()), table));  // the footer is no chunk
}

TEST(NeroParser, UnknownChunkAfterDaoiFails) {
    const std::string daoi = NrgChunk("DAOI", NrgDaoiBody({}));
    TrackTable table;
    EXPECT_FALSE(Parse(NrgImage("", TwoTrackCues() + daoi + NrgChunk("CDTX", "xx") + END), table));
    EXPECT_FALSE(Parse(NrgImage("", TwoTrackCues() + daoi), table));
}

TEST(NeroParser, UnknownControlByteEndsTheTracksAndTheChainBreaks) {
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
    for (const std::string& image : {NrgImage(DataOf(100), TwoTrackCues() + END),
                                     NrgImage(DataOf(100), TwoTrackCues() + daoi + END)}) {
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
