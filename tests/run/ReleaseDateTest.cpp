#include "run/ReleaseDate.h"

#include <gtest/gtest.h>

#include "support/TimeZone.h"

using testsupport::InZone;

TEST(ParseReleaseDate, ReadsBothFormsAsLocalMidnight) {
    InZone tokyo("Asia/Tokyo");
    // 1999-12-31 00:00 JST is 1999-12-30 15:00 UTC.
    EXPECT_EQ(ParseReleaseDate("991231"), 946566000);
    EXPECT_EQ(ParseReleaseDate("19991231"), 946566000);
    EXPECT_EQ(ParseReleaseDate("691231"), ParseReleaseDate("20691231"));
    EXPECT_EQ(ParseReleaseDate("700101"), -32400);
    EXPECT_EQ(ParseReleaseDate("2000123"), ParseReleaseDate("20000101"));  // other lengths
    // An empty field is an unknown date: the times stay as they are.
    EXPECT_EQ(ParseReleaseDate(""), std::nullopt);
}

TEST(ParseReleaseDate, RejectsGroupsThatAreNoDate) {
    InZone utc("UTC");
    for (const char* bad :
         {"99123a", "+91231", "991331", "991200", "990032", "18991231", "1999 231", "-9991231"}) {
        EXPECT_FALSE(ParseReleaseDate(bad).has_value()) << bad;
    }
    EXPECT_EQ(ParseReleaseDate("20240229"), 1709164800);
}
