#include "run/ReleaseDate.h"

#include <boost/lexical_cast.hpp>
#include <ctime>

namespace {

// A group of digits and nothing else ("+1" or " 1" is no date part).
std::optional<int> DigitGroup(const std::string& text, std::size_t at, std::size_t length) {
    const std::string group = text.substr(at, length);
    for (char c : group) {
        if (c < '0' || c > '9') return std::nullopt;
    }
    try {
        return boost::lexical_cast<int>(group);
    } catch (const boost::bad_lexical_cast&) {
        return std::nullopt;
    }
}

}  // namespace

std::optional<std::int64_t> ParseReleaseDate(const std::string& text) {
    // An empty field is a date the database does not know (whole lists have
    // none): the times stay as they are.
    if (text.empty()) return std::nullopt;
    std::optional<int> year = 2000, month = 1, day = 1;
    if (text.size() == 6) {
        year = DigitGroup(text, 0, 2);
        if (year) *year += *year < 70 ? 2000 : 1900;
        month = DigitGroup(text, 2, 2);
        day = DigitGroup(text, 4, 2);
    } else if (text.size() == 8) {
        year = DigitGroup(text, 0, 4);
        month = DigitGroup(text, 4, 2);
        day = DigitGroup(text, 6, 2);
    }
    if (!year || !month || !day) return std::nullopt;
    if (*year < 1900 || *month < 1 || *month > 12 || *day < 1 || *day > 31) return std::nullopt;

    std::tm local{};
    local.tm_year = *year - 1900;
    local.tm_mon = *month - 1;
    local.tm_mday = *day;
    local.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&local);
    if (seconds == std::time_t(-1)) return std::nullopt;
    return std::int64_t(seconds);
}
