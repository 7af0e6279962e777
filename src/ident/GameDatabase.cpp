#include "ident/GameDatabase.h"

#include <boost/tokenizer.hpp>

#include "platform/FileOps.h"
#include "platform/TextLines.h"

namespace {

// The character classes by which a field 0 such as "SLPS00071 SLPS00072" is
// split into identifiers: white space separates and is dropped, every ASCII
// punctuation character is an identifier of its own. These are the classes
// that the tokenizer's default separator takes from the C locale, written out
// so that the split does not change with the locale of the process and bytes
// above 127 (UTF-8 names) are always ordinary characters.
constexpr const char* DROPPED_SEPARATORS = " \t\n\v\f\r";
constexpr const char* KEPT_SEPARATORS = "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~";

bool IsCommentLine(std::string_view line) {
    return !line.empty() && line.front() == ';';
}

}  // namespace

DiscRecord SplitDatabaseLine(std::string_view line) {
    DiscRecord record;
    std::size_t start = 0;
    for (std::size_t field = 0; field < DATABASE_FIELDS; ++field) {
        const std::size_t end = line.find(';', start);
        if (end == std::string_view::npos) {
            record[field] = std::string(line.substr(start));
            break;
        }
        record[field] = std::string(line.substr(start, end - start));
        start = end + 1;
    }
    return record;
}

std::string JoinDatabaseLine(const DiscRecord& record) {
    std::string line;
    for (std::size_t field = 0; field < DATABASE_FIELDS; ++field) {
        line += record[field];
        line += ';';
    }
    return line;
}

void AddDiscRecord(GameDatabase& database, const DiscRecord& record) {
    database.idList.push_back(record[0]);
    database.records.try_emplace(record[0], record);
}

const DiscRecord* FindDiscRecord(const GameDatabase& database, std::string_view identifier) {
    const auto found = database.records.find(std::string(identifier));
    return found == database.records.end() ? nullptr : &found->second;
}

void ParseDatabaseText(std::string_view text, std::string_view systemText, GameDatabase& database) {
    const std::string key = ";" + std::string(systemText) + ";";
    const boost::char_separator<char> separator(DROPPED_SEPARATORS, KEPT_SEPARATORS);
    platform::LineReader lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        if (IsCommentLine(line)) {
            database.commentLines.emplace_back(line);
            continue;
        }
        if (line.find(key) == std::string_view::npos) continue;

        const std::size_t firstSemicolon = line.find(';');
        const std::string head(line.substr(0, firstSemicolon));
        const std::string_view rest = line.substr(firstSemicolon);
        for (const std::string& token :
             boost::tokenizer<boost::char_separator<char>>(head, separator)) {
            AddDiscRecord(database, SplitDatabaseLine(token + std::string(rest)));
        }
    }
}

platform::SmallFile::Outcome ReadDatabase(const std::string& path, std::string_view systemText,
                                          GameDatabase& database) {
    const platform::SmallFile file = platform::ReadSmallFile(path);
    if (file.IsRead()) ParseDatabaseText(file.text, systemText, database);
    return file.outcome;
}

platform::SmallFile::Outcome ReadDatabaseFile(const std::string& path, GameDatabase& database) {
    return platform::ReadTextLines(path, [&](std::string_view line) {
        if (IsCommentLine(line)) {
            database.commentLines.emplace_back(line);
        } else {
            AddDiscRecord(database, SplitDatabaseLine(line));
        }
    });
}

bool WriteDatabase(const std::string& path, const GameDatabase& database) {
    std::string content;
    for (const std::string& comment : database.commentLines) platform::AppendLine(content, comment);
    for (const auto& [identifier, record] : database.records) {
        platform::AppendLine(content, JoinDatabaseLine(record));
    }
    return platform::ReplaceFileContent(path, content);
}
