#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Lines and numbers of the text descriptors (cue sheets and CloneCD control
// files). Numbers are read the way the C library's scanners read them, so that
// sheets written by hand with odd spacing or signs give the same values as in
// the programs that wrote them; values that do not fit saturate instead of
// overflowing.

// Descriptors are read in lines of at most this many characters (a longer
// line goes on as the next one), as the programs that write them read them.
inline constexpr std::size_t DESCRIPTOR_LINE_LENGTH = 511;

// Descriptor texts are a few kilobytes, and the track blocks of DiscJuggler
// and Nero images a few kilobytes at the end of the image: anything larger
// (or a block further from the end) is not one.
inline constexpr std::size_t MAX_DESCRIPTOR_BYTES = 1 << 20;

// The UTF-8 byte-order mark, which editors on Windows put at the start of the
// files they save.
inline constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";

// The text after a byte-order mark; the whole text when it has none.
std::string_view WithoutByteOrderMark(std::string_view text);

// A token of a line: its text, and where it stands in the line as written
// (quotes included).
struct QuotedToken {
    std::string text;
    std::size_t begin = 0;
    std::size_t end = 0;
};

// The white-space separated tokens of a line. A double quote switches quoting
// on or off and is removed, so a quoted token may hold blanks ("" is an empty
// token).
std::vector<QuotedToken> SplitQuotedTokens(std::string_view line);

// A decimal integer after optional white space and sign, as atoi reads it:
// 0 when there is no digit; digits after the number are ignored.
std::int32_t ScanInteger(std::string_view text);

// A hexadecimal number as "%x" reads it (optional white space, sign and "0x");
// nothing when there is no digit.
std::optional<std::uint32_t> ScanHex(std::string_view text);

// A position "mm:ss:ff" (minutes, seconds below 60, frames below 75, each of
// one or two digits) in frames of 1/75 second; nothing for any other text. A
// sheet with "00:00:100" is damaged: reading it as frame 10 would place the
// track elsewhere than the program that wrote it meant.
std::optional<std::int32_t> ReadMsfFrames(std::string_view text);
