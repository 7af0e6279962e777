#include <gtest/gtest.h>

#include "platform/AsciiCase.h"
#include "platform/DecimalText.h"
#include "platform/PathText.h"
#include "platform/TextLines.h"
#include "platform/Utf8.h"

using namespace platform;

TEST(Utf8, RoundTripsTextAndCarriesInvalidBytesThrough) {
    const std::string japanese = "片神名 ～喪われた因果律～ ｶﾞ 😀";
    const std::u32string decoded = DecodeUtf8(japanese);
    EXPECT_EQ(decoded[0], U'片');
    EXPECT_EQ(decoded.back(), U'😀');
    EXPECT_EQ(EncodeUtf8(decoded), japanese);

    // Shift-JIS bytes, a lone continuation byte, an overlong '/' and a
    // truncated sequence all come back byte for byte.
    const std::string foreign("\x83\x51\x81\x5B\x83\x80 \x80 \xC0\xAF \xE3\x81", 14);
    const std::u32string escaped = DecodeUtf8(foreign);
    EXPECT_EQ(escaped.find(U'/'), std::u32string::npos);
    EXPECT_EQ(EncodeUtf8(escaped), foreign);
}

TEST(PathText, SplitsAtTheLastSlash) {
    const PathSplit split = SplitAtLastSeparator("/games/My.Games/Game");
    EXPECT_TRUE(split.hasSeparator);
    EXPECT_EQ(split.folder, "/games/My.Games");
    EXPECT_EQ(split.name, "Game");
    const PathSplit bare = SplitAtLastSeparator("Game");
    EXPECT_FALSE(bare.hasSeparator);
    EXPECT_EQ(bare.folder, "");
    EXPECT_EQ(bare.name, "Game");
    EXPECT_EQ(SplitAtLastSeparator("dir/").name, "");
}

TEST(AsciiCase, FoldsOnlyAsciiLetters) {
    EXPECT_EQ(ToLowerAscii("SLPS_000.71;1 ÄÖ"), "slps_000.71;1 ÄÖ");
    EXPECT_EQ(ToUpperAscii("slps_000.71 äö"), "SLPS_000.71 äö");
    EXPECT_TRUE(EqualsIgnoreCase("System.CNF", "SYSTEM.cnf"));
    EXPECT_FALSE(EqualsIgnoreCase("a", "ab"));
    EXPECT_TRUE(StartsWithIgnoreCase("Default2", "default"));
    EXPECT_FALSE(StartsWithIgnoreCase("Def", "default"));
}

std::vector<std::string> AllLines(std::string_view text, std::size_t maxLength) {
    std::vector<std::string> lines;
    LineReader reader(text, maxLength);
    std::string_view line;
    while (reader.Next(line)) lines.emplace_back(line);
    return lines;
}

TEST(LineReader, SplitsAtLineFeedAndDropsOneCarriageReturn) {
    EXPECT_EQ(AllLines("a\r\nb\n\nc\r\r\nd", LineReader::UNLIMITED),
              (std::vector<std::string>{"a", "b", "", "c\r", "d"}));
    EXPECT_TRUE(AllLines("", LineReader::UNLIMITED).empty());
    EXPECT_EQ(SplitTextLines("x\r\ny"), (std::vector<std::string>{"x", "y"}));
}

TEST(LineReader, LongLinesGoOnAsTheNextLine) {
    const std::string longLine(600, 'x');
    EXPECT_EQ(AllLines(longLine + "\nz", 511),
              (std::vector<std::string>{std::string(511, 'x'), std::string(89, 'x'), "z"}));
    // 511 characters fill a line, so its line feed arrives alone.
    EXPECT_EQ(AllLines(std::string(511, 'y') + "\nz", 511),
              (std::vector<std::string>{std::string(511, 'y'), "", "z"}));
    EXPECT_EQ(AllLines(longLine, LineReader::UNLIMITED), (std::vector<std::string>{longLine}));
}

TEST(DecimalText, ReadsOnlyBareDigitsWithinTheirCount) {
    EXPECT_EQ(DecimalNumber("0042", 4), 42u);
    EXPECT_EQ(DecimalNumber("9999999999999999999", 30), 9999999999999999999u);
    for (const char* refused : {"", "12345", "+1", "-1", " 1", "1 ", "1a", "0x1"}) {
        EXPECT_FALSE(DecimalNumber(refused, 4)) << '"' << refused << '"';
    }
    // A twentieth digit could overflow 64 bits, whatever the caller allows.
    EXPECT_FALSE(DecimalNumber("18446744073709551616", 30));
}
