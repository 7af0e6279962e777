#include "image/DescriptorText.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::size_t SkipSpace(std::string_view text, std::size_t at) {
    while (at < text.size() && IsSpace(text[at])) ++at;
    return at;
}

// One "%2d" field at `at`: white space, then at most two characters of sign
// and digits. Moves `at` past the field; false when it holds no digit.
bool ScanTwoDigitField(std::string_view text, std::size_t& at, std::int32_t& value) {
    std::size_t pos = SkipSpace(text, at);
    const std::size_t end = std::min(text.size(), pos + 2);
    bool negative = false;
    if (pos < end && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos >= end || text[pos] < '0' || text[pos] > '9') return false;
    std::int32_t number = 0;
    while (pos < end && text[pos] >= '0' && text[pos] <= '9')
        number = number * 10 + (text[pos++] - '0');
    value = negative ? -number : number;
    at = pos;
    return true;
}

}  // namespace

std::string_view WithoutByteOrderMark(std::string_view text) {
    return text.starts_with(BYTE_ORDER_MARK) ? text.substr(BYTE_ORDER_MARK.size()) : text;
}

std::vector<std::string> SplitQuotedTokens(std::string_view line) {
    std::vector<std::string> tokens;
    std::string current;
    bool inToken = false;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inToken = true;
        } else if (!quoted && IsSpace(c)) {
            if (inToken) tokens.push_back(std::move(current));
            current.clear();
            inToken = false;
        } else {
            current += c;
            inToken = true;
        }
    }
    if (inToken) tokens.push_back(std::move(current));
    return tokens;
}

std::int32_t ScanInteger(std::string_view text) {
    std::size_t at = SkipSpace(text, 0);
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    // Accumulate towards the limit of the sign, so both ends saturate.
    const std::int64_t limit = negative ? -std::int64_t(std::numeric_limits<std::int32_t>::min())
                                        : std::numeric_limits<std::int32_t>::max();
    std::int64_t number = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        number = std::min(limit, number * 10 + (text[at++] - '0'));
    }
    return std::int32_t(negative ? -number : number);
}

std::optional<std::uint32_t> ScanHex(std::string_view text) {
    std::size_t at = SkipSpace(text, 0);
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    // "0x" is a prefix only when a digit follows; "0xg" is the number 0.
    const std::string_view number = text.substr(at);
    if ((number.starts_with("0x") || number.starts_with("0X")) && number.size() > 2 &&
        HexDigit(number[2]) >= 0) {
        at += 2;
    }
    if (at >= text.size() || HexDigit(text[at]) < 0) return std::nullopt;
    std::uint64_t value = 0;
    for (; at < text.size() && HexDigit(text[at]) >= 0; ++at) {
        value = std::min<std::uint64_t>(std::numeric_limits<std::uint32_t>::max(),
                                        value * 16 + std::uint64_t(HexDigit(text[at])));
    }
    // A negative number wraps around, as the scanner stores it unsigned.
    return negative ? std::uint32_t(0u - std::uint32_t(value)) : std::uint32_t(value);
}

std::int32_t ScanMsfFrames(std::string_view text) {
    std::int32_t fields[3] = {0, 0, 0};
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (at >= text.size() || text[at] != ':') break;
            ++at;
        }
        if (!ScanTwoDigitField(text, at, fields[i])) break;
    }
    return fields[0] * 4500 + fields[1] * 75 + fields[2];
}
