#pragma once

#include <string>
#include <string_view>

// Case folding in the plain ASCII sense: only the letters A-Z and a-z change;
// every other byte (UTF-8 sequences included) stays as it is.
namespace platform {

constexpr char ToLowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}
constexpr char ToUpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}
constexpr bool IsAsciiLetter(char c) {
    return ToLowerAscii(c) != ToUpperAscii(c);
}

std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);
bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix);

// The text without ASCII control characters (0 to 31 and 127). Text read from
// a disc or a database must never bring a line end or another control
// character into a file name, a log line or a list line.
std::string WithoutControlCharacters(std::string_view text);

}  // namespace platform
