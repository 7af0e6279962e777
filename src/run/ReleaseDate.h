#pragma once

#include <cstdint>
#include <optional>
#include <string>

// A release date of the database (YYMMDD or YYYYMMDD) as the time of
// 00:00:00 local time on that day, in seconds since 1970-01-01 UTC. Any
// other length stands for 1 January 2000. Nothing for an empty field (the date
// is unknown) and for a date that is not one (letters, a month 13, a day 0,
// ...): the files of that disc keep their times.
std::optional<std::int64_t> ParseReleaseDate(const std::string& text);
