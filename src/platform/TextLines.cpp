#include "platform/TextLines.h"

#include <algorithm>

namespace platform {

bool LineReader::Next(std::string_view& line) {
    if (rest.empty()) return false;
    if (ends == LineEnds::AnyBreak) {
        const std::size_t lineBreak = rest.substr(0, maxLength).find_first_of("\r\n");
        if (lineBreak != std::string_view::npos && rest[lineBreak] == '\r' &&
            (lineBreak + 1 >= rest.size() || rest[lineBreak + 1] != '\n')) {
            line = rest.substr(0, lineBreak);
            rest.remove_prefix(lineBreak + 1);
            return true;
        }
    }
    const std::size_t newline = rest.substr(0, maxLength).find('\n');
    const std::size_t taken =
        newline == std::string_view::npos ? std::min(rest.size(), maxLength) : newline + 1;
    line = rest.substr(0, taken);
    rest.remove_prefix(taken);
    if (!line.empty() && line.back() == '\n') {
        line.remove_suffix(1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    }
    return true;
}

std::vector<std::string> SplitTextLines(std::string_view text) {
    std::vector<std::string> lines;
    LineReader reader(text);
    std::string_view line;
    while (reader.Next(line)) lines.emplace_back(line);
    return lines;
}

}  // namespace platform
