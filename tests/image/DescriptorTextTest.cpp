#include "image/DescriptorText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(SplitQuotedTokens, QuotesKeepBlanksAndAreRemoved) {
    EXPECT_EQ(SplitQuotedTokens("  FILE \"my game.bin\"\tBINARY\r"),
              (std::vector<std::string>{"FILE", "my game.bin", "BINARY"}));
    EXPECT_EQ(SplitQuotedTokens("a\"b c\"d \"\" e"), (std::vector<std::string>{"ab cd", "", "e"}));
    EXPECT_EQ(SplitQuotedTokens("\"unterminated name"),
              (std::vector<std::string>{"unterminated name"}));
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

TEST(ScanMsfFrames, ReadsTwoDigitFieldsAndStopsAtTheFirstMismatch) {
    EXPECT_EQ(ScanMsfFrames("00:02:00"), 150);
    EXPECT_EQ(ScanMsfFrames("01:02:03"), 4500 + 150 + 3);
    EXPECT_EQ(ScanMsfFrames("00:00:100"), 10);  // a field is two characters wide
    EXPECT_EQ(ScanMsfFrames("00:90:00"), 90 * 75);
    EXPECT_EQ(ScanMsfFrames("xx:yy:0"), 0);
    EXPECT_EQ(ScanMsfFrames("02"), 9000);
    EXPECT_EQ(ScanMsfFrames("-1:00:00"), -4500);
    EXPECT_EQ(ScanMsfFrames(""), 0);
}

}  // namespace
