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

// Splits a descriptor into lines of at most 511 characters: a line ends at LF
// (one CR right before it is dropped), and a longer line goes on as the next
// one. Hands out views into the text; allocates nothing.
class DescriptorLineReader {
public:
    static constexpr std::size_t MAX_LINE = 511;

    explicit DescriptorLineReader(std::string_view text) : rest(text) {}

    // The next line, false after the last one.
    bool Next(std::string_view& line);

private:
    std::string_view rest;
};

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
