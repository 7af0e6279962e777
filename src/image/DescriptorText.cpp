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

// One field of a position: one or two decimal digits and nothing else.
std::optional<std::int32_t> MsfField(std::string_view field) {
    if (field.empty() || field.size() > 2) return std::nullopt;
    std::int32_t value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

std::string_view WithoutByteOrderMark(std::string_view text) {
    return text.starts_with(BYTE_ORDER_MARK) ? text.substr(BYTE_ORDER_MARK.size()) : text;
}

std::vector<QuotedToken> SplitQuotedTokens(std::string_view line) {
    std::vector<QuotedToken> tokens;
    QuotedToken current;
    bool inToken = false;
    bool quoted = false;
    for (std::size_t at = 0; at < line.size(); ++at) {
        const char c = line[at];
        if (!quoted && IsSpace(c)) {
            if (inToken) tokens.push_back(std::move(current));
            current = QuotedToken();
            inToken = false;
            continue;
        }
        if (!inToken) current.begin = at;
        inToken = true;
        current.end = at + 1;
        if (c == '"') {
            quoted = !quoted;
        } else {
            current.text += c;
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

std::optional<std::int32_t> ReadMsfFrames(std::string_view text) {
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    const auto minutes = MsfField(text.substr(0, first));
    const auto seconds = MsfField(text.substr(first + 1, second - first - 1));
    const auto frames = MsfField(text.substr(second + 1));
    if (!minutes || !seconds || !frames || *seconds >= 60 || *frames >= 75) return std::nullopt;
    return *minutes * 4500 + *seconds * 75 + *frames;
}
