#include "image/DiscJugglerParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/KelCDImageDAO.h"
#include "support/DiscJugglerBuilder.h"

namespace {

using testsupport::CdiImage;
using testsupport::CdiSession;
using testsupport::CdiSizeCode2352;
using testsupport::CdiTrack;

const std::string PATH = "/discs/game.cdi";

FooterWindow WholeFile(const std::string& image) {
    return FooterWindow(std::vector<unsigned char>(image.begin(), image.end()), image.size());
}

bool Parse(const std::string& image, TrackTable& table) {
    return ParseDiscJuggler(WholeFile(image), PATH, table);
}

// Two sessions: a Mode 2 data track and an audio track, then, after the
// gap between sessions, a Mode 1 track stored with 2048-byte sectors.
std::vector<CdiSession> TwoSessions(int variant) {
    CdiTrack data;
    data.mode = 2;
    data.sizeCode = CdiSizeCode2352(variant);
    data.pregap = 150;
    data.length = 850;
    data.start = 0;
    data.total = 1000;
    data.name = "data.iso";
    CdiTrack audio = data;
    audio.mode = 0;
    audio.start = 1000;
    audio.total = 500;
    audio.name = "";
    CdiTrack second = data;
    second.mode = 1;
    second.sizeCode = 0;
    second.start = 1500 + 11400;
    second.total = 300;
    second.name = "a longer track name";
    return {{data, audio}, {second}};
}

class DiscJugglerLayoutTest : public ::testing::TestWithParam<int> {};

TEST_P(DiscJugglerLayoutTest, BlockOfTheLayoutGivesTheTracks) {
    const int variant = GetParam();
    TrackTable table;
    ASSERT_TRUE(Parse(CdiImage(std::string(5000, '\x5A'), variant, TwoSessions(variant)), table));
    ASSERT_EQ(table.Count(), 3);
    const TrackEntry& data = table.At(0);
    EXPECT_EQ(data.index, 0);
    EXPECT_EQ(data.file, PATH);
    EXPECT_EQ(data.mode, TrackMode::Mode2);
    EXPECT_EQ(data.sectorSize, 2352);
    EXPECT_EQ(data.dataOffset, 150 * 2352);
    EXPECT_EQ(data.start, 0);
    EXPECT_EQ(data.length, 850);
    const TrackEntry& audio = table.At(1);
    EXPECT_EQ(audio.index, 1);
    EXPECT_EQ(audio.mode, TrackMode::Audio);
    EXPECT_EQ(audio.dataOffset, (1000 + 150) * 2352);
    // The second session follows the first in the file: its pregap of
    // 2048-byte sectors right after the first session's 1500 sectors.
    const TrackEntry& second = table.At(2);
    EXPECT_EQ(second.index, 2);
    EXPECT_EQ(second.mode, TrackMode::Mode1);
    EXPECT_EQ(second.sectorSize, 2048);
    EXPECT_EQ(second.dataOffset, 1500 * 2352 + 150 * 2048);
}

TEST_P(DiscJugglerLayoutTest, TruncatedByOneByteFails) {
    const int variant = GetParam();
    const std::string image = CdiImage(std::string(5000, '\x5A'), variant, TwoSessions(variant));
    TrackTable table;
    EXPECT_FALSE(Parse(image.substr(0, image.size() - 1), table));
    EXPECT_EQ(table.Count(), 0);
}

INSTANTIATE_TEST_SUITE_P(V1toV8, DiscJugglerLayoutTest, ::testing::Range(1, 9));

TEST(DiscJugglerParser, SizeCodesOfEachTable) {
    const std::vector<std::pair<std::uint32_t, int>> s1 = {
        {0, 2048}, {1, 2336}, {2, 2352}, {4, 2448}};
    const std::vector<std::pair<std::uint32_t, int>> s2 = {
        {0, 2048}, {1, 2336}, {3, 2352}, {5, 2448}};
    for (int variant = 1; variant <= 8; ++variant) {
        for (const auto& [code, size] : variant == 8 ? s2 : s1) {
            CdiTrack track;
            track.sizeCode = code;
            TrackTable table;
            ASSERT_TRUE(Parse(CdiImage("", variant, {{track}}), table)) << variant << " " << code;
            EXPECT_EQ(table.At(0).sectorSize, size) << variant << " " << code;
        }
    }
}

TEST(DiscJugglerParser, UnknownSizeCodeFailsExceptInLayout7) {
    CdiTrack track;
    track.sizeCode = 9;
    TrackTable table;
    EXPECT_FALSE(Parse(CdiImage("", 1, {{track}}), table));
    EXPECT_FALSE(Parse(CdiImage("", 8, {{track}}), table));
    ASSERT_TRUE(Parse(CdiImage("", 7, {{track}}), table));
    EXPECT_EQ(table.At(0).sectorSize, 2448);
}

TEST(DiscJugglerParser, TrackModes) {
    TrackTable table;
    CdiTrack track;
    const std::vector<std::pair<std::uint32_t, TrackMode>> modes = {
        {0, TrackMode::Audio}, {1, TrackMode::Mode1}, {2, TrackMode::Mode2}};
    for (const auto& [value, mode] : modes) {
        track.mode = value;
        ASSERT_TRUE(Parse(CdiImage("", 4, {{track}}), table));
        EXPECT_EQ(table.At(0).mode, mode);
    }
    track.mode = 3;
    EXPECT_FALSE(Parse(CdiImage("", 4, {{track}}), table));
}

TEST(DiscJugglerParser, TotalMustBeSetAndMatchItsCheck) {
    CdiTrack track;
    TrackTable table;
    track.total = 0;
    EXPECT_FALSE(Parse(CdiImage("", 1, {{track}}), table));
    track.total = 10;
    track.check = 11;
    EXPECT_FALSE(Parse(CdiImage("", 1, {{track}}), table));
}

TEST(DiscJugglerParser, BlockMatchingNoLayoutFails) {
    TrackTable table;
    CdiTrack track;
    track.badMark = true;
    for (int variant = 1; variant <= 8; ++variant) {
        EXPECT_FALSE(Parse(CdiImage("", variant, {{track}}), table)) << variant;
    }
    EXPECT_FALSE(Parse(std::string(4096, '\0'), table));
    EXPECT_FALSE(Parse(std::string(4096, '\xFF'), table));
    EXPECT_FALSE(Parse("abc", table));
    EXPECT_FALSE(Parse("", table));
    EXPECT_EQ(table.Count(), 0);
}

TEST(DiscJugglerParser, SessionCountMustBeOneToNinetyNine) {
    TrackTable table;
    EXPECT_FALSE(Parse(CdiImage("", 1, {}), table));
    const std::vector<CdiSession> ninetyNine(99, CdiSession{CdiTrack{}});
    ASSERT_TRUE(Parse(CdiImage("", 6, ninetyNine), table));
    EXPECT_EQ(table.Count(), 99);
    const std::vector<CdiSession> hundred(100, CdiSession{});
    EXPECT_FALSE(Parse(CdiImage("", 6, hundred), table));
}

TEST(DiscJugglerParser, MoreThanNinetyNineTracksFail) {
    // Tracks this layout reads, so the parse gets as far as the table's bound.
    CdiTrack track;
    track.sizeCode = testsupport::CdiSizeCode2352(8);
    TrackTable table;
    ASSERT_TRUE(Parse(CdiImage("", 8, {CdiSession(99, track)}), table));
    EXPECT_EQ(table.Count(), 99);
    EXPECT_FALSE(Parse(CdiImage("", 8, {CdiSession(100, track)}), table));
    EXPECT_FALSE(Parse(CdiImage("", 8, {CdiSession(50, track), CdiSession(50, track)}), table));
}

TEST(DiscJugglerParser, BlockLocatorOutsideTheFileFails) {
    std::string image = CdiImage(std::string(100, '\0'), 2, {{CdiTrack{}}});
    TrackTable table;
    ASSERT_TRUE(Parse(image, table));
    image.replace(image.size() - 4, 4, "\xFF\xFF\xFF\x7F");
    EXPECT_FALSE(Parse(image, table));
}

TEST(DiscJugglerParser, OffsetBeyondThirtyTwoBitsFails) {
    // (The start of a session's first track cancels against the gap before it.)
    CdiTrack track;
    track.pregap = 1000000;
    TrackTable table;
    EXPECT_FALSE(Parse(CdiImage("", 1, {{track}}), table));
}

TEST(DiscJugglerImage, ReadsTheFooterOfTheImage) {
    CdiTrack track;
    track.pregap = 2;
    MemoryImageFiles files;
    files.Add(PATH, CdiImage(std::string(3 << 20, '\0'), 3, {{track}}));
    const KelCDImageDAO reader(PATH, files);
    ASSERT_TRUE(reader.IsOpened());
    EXPECT_EQ(reader.TrackFileName(0), PATH);
    EXPECT_EQ(reader.TrackDataOffset(0), 2 * 2352);
    EXPECT_FALSE(KelCDImageDAO("/discs/missing.cdi", files).IsOpened());
}

TEST(DiscJugglerImage, BlockFarFromTheEndIsNotLookedFor) {
    // An absolute locator may point anywhere; a block more than a megabyte
    // before the end cannot be the header block of this file.
    std::string image = CdiImage("", 4, {{CdiTrack{}}});
    const std::string locator = image.substr(image.size() - 4);
    image = image.substr(0, image.size() - 4) + std::string(2 << 20, '\0') + locator;
    TrackTable table;
    EXPECT_TRUE(Parse(image, table));
    MemoryImageFiles files;
    files.Add(PATH, image);
    const KelCDImageDAO reader(PATH, files);
    EXPECT_FALSE(reader.IsOpened());
    EXPECT_EQ(reader.Problem(), "game.cdi, no known DiscJuggler track block");
}

}  // namespace
