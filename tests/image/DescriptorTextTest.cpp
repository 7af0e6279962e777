#include "image/DescriptorText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Each token's text, and where it stands in the line as written.
std::vector<std::string> Tokens(std::string_view line) {
    std::vector<std::string> texts;
    for (const QuotedToken& token : SplitQuotedTokens(line)) {
        texts.push_back(token.text + "@" +
                        std::string(line.substr(token.begin, token.end - token.begin)));
    }
    return texts;
}

TEST(SplitQuotedTokens, QuotesKeepBlanksAndAreRemoved) {
    EXPECT_EQ(
        Tokens("  FILE \"my game.bin\"\tBINARY\r"),
        (std::vector<std::string>{"FILE@FILE", "my game.bin@\"my game.bin\"", "BINARY@BINARY"}));
    EXPECT_EQ(Tokens("a\"b c\"d \"\" e"),
              (std::vector<std::string>{"ab cd@a\"b c\"d", "@\"\"", "e@e"}));
    EXPECT_EQ(Tokens("\"unterminated name"),
              (std::vector<std::string>{"unterminated name@\"unterminated name"}));
    EXPECT_TRUE(SplitQuotedTokens(" \t ").empty());
}

TEST(ScanInteger, ReadsLikeAtoiAndSaturates) {
    EXPECT_EQ(ScanInteger("01"), 1);
    EXPECT_EQ(ScanInteger("  -12abc"), -12);
    EXPECT_EQ(ScanInteger("+7"), 7);
    EXPECT_EQ(ScanInteger("abc"), 0);
    EXPECT_EQ(ScanInteger(""), 0);
    EXPECT_EQ(ScanInteger("99999999999999"), 2147483647);
    EXPECT_EQ(ScanInteger("-99999999999999"), -2147483647 - 1);
}

TEST(ScanHex, ReadsLikePercentX) {
    EXPECT_EQ(ScanHex("a2"), 0xA2u);
    EXPECT_EQ(ScanHex(" 0x1F"), 0x1Fu);
    EXPECT_EQ(ScanHex("0xg"), 0u);
    EXPECT_EQ(ScanHex("-1"), 0xFFFFFFFFu);
    EXPECT_EQ(ScanHex("123456789abc"), 0xFFFFFFFFu);
    EXPECT_FALSE(ScanHex("").has_value());
    EXPECT_FALSE(ScanHex("zz").has_value());
}

// Positions as the reference tools read them: seconds below 60, frames
// below 75, each field one or two digits; anything else is no position.
TEST(ReadMsfFrames, FramesAboveSeventyFourOrSecondsAboveFiftyNineAreRefused) {
    EXPECT_EQ(ReadMsfFrames("00:02:00"), 150);
    EXPECT_EQ(ReadMsfFrames("01:02:03"), 4500 + 150 + 3);
    EXPECT_EQ(ReadMsfFrames("79:59:74"), 79 * 4500 + 59 * 75 + 74);
    EXPECT_EQ(ReadMsfFrames("0:2:0"), 150);
    for (const char* bad : {"00:00:100", "00:00:75", "00:60:00", "00:90:00", "xx:yy:0", "02",
                            "-1:00:00", "", "00:02", "00:02:00:00", "00:02:0x", "100:00:00"}) {
        EXPECT_FALSE(ReadMsfFrames(bad).has_value()) << bad;
    }
}

}  // namespace
