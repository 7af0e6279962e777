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

// The UTF-8 byte-order mark, which editors on Windows put at the start of the
// files they save.
inline constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";

// The text after a byte-order mark; the whole text when it has none.
std::string_view WithoutByteOrderMark(std::string_view text);

// The white-space separated tokens of a line. A double quote switches quoting
// on or off and is removed, so a quoted token may hold blanks ("" is an empty
// token).
std::vector<std::string> SplitQuotedTokens(std::string_view line);

// A decimal integer after optional white space and sign, as atoi reads it:
// 0 when there is no digit; digits after the number are ignored.
std::int32_t ScanInteger(std::string_view text);

// A hexadecimal number as "%x" reads it (optional white space, sign and "0x");
// nothing when there is no digit.
std::optional<std::uint32_t> ScanHex(std::string_view text);

// A "%2d:%2d:%2d" position (minutes, seconds, frames) in frames of 1/75
// second. Fields the text does not hold count as 0.
std::int32_t ScanMsfFrames(std::string_view text);
