#include "naming/ImageTexts.h"

#include <gtest/gtest.h>

TEST(SizeTextTest, PicksTheLargestUnitGivingAtLeastOne) {
    EXPECT_EQ(SizeText(1ull << 30), "1.00GB");
    EXPECT_EQ(SizeText(1610612736), "1.50GB");
    EXPECT_EQ(SizeText(734003200), "700.00MB");
    EXPECT_EQ(SizeText(1ull << 20), "1.00MB");
    EXPECT_EQ(SizeText(1048575), "1024.00KB");
    EXPECT_EQ(SizeText(1024), "1.00KB");
}

TEST(SizeTextTest, ValuesBelowOneHaveNoLeadingDigit) {
    EXPECT_EQ(SizeText(512), ".50KB");
    EXPECT_EQ(SizeText(1023), "1.00KB");
    EXPECT_EQ(SizeText(51), ".05KB");
    EXPECT_EQ(SizeText(5), ".00KB");
    EXPECT_EQ(SizeText(0), ".00KB");
}

TEST(SizeTextTest, HalvesRoundAwayFromZero) {
    EXPECT_EQ(SizeText(128), ".13KB");
    EXPECT_EQ(SizeText(1207959552), "1.13GB");
    EXPECT_EQ(SizeText(10), ".01KB");
}

TEST(SizeTextTest, WorksInSinglePrecision) {
    // 2^30 - 1 bytes become exactly 2^30 in single precision.
    EXPECT_EQ(SizeText((1ull << 30) - 1), "1.00GB");
    EXPECT_EQ(SizeText(50ull << 30), "50.00GB");
}

TEST(TypeTextTest, KnownExtensionsInAnyCase) {
    EXPECT_EQ(TypeText("iso"), "ISO");
    EXPECT_EQ(TypeText("Iso"), "ISO");
    EXPECT_EQ(TypeText("IMG"), "IMG");
    EXPECT_EQ(TypeText("bin"), "BIN");
    EXPECT_EQ(TypeText("mDf"), "MDF");
    EXPECT_EQ(TypeText("cdi"), "CDI");
    EXPECT_EQ(TypeText("Chd"), "CHD");
    EXPECT_EQ(TypeText("cso"), "CSO");
    EXPECT_EQ(TypeText("ZSO"), "ZSO");
}

TEST(TypeTextTest, AnythingElseIsUnknown) {
    EXPECT_EQ(TypeText("cue+bin"), "UnKnown");
    EXPECT_EQ(TypeText("isos"), "UnKnown");
    EXPECT_EQ(TypeText(""), "UnKnown");
    EXPECT_EQ(TypeText("ｉｓｏ"), "UnKnown");
}
