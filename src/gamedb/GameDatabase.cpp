#include "gamedb/GameDatabase.h"

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

// The nine fields of a line and what follows the ninth.
StoredLine SplitStoredLine(std::string_view line) {
    StoredLine stored;
    std::size_t start = 0;
    for (std::size_t field = 0; field < DATABASE_FIELDS; ++field) {
        const std::size_t end = line.find(';', start);
        if (end == std::string_view::npos) {
            stored.fields[field] = std::string(line.substr(start));
            return stored;
        }
        stored.fields[field] = std::string(line.substr(start, end - start));
        start = end + 1;
    }
    stored.beyondNinth = std::string(line.substr(start));
    return stored;
}

void Keep(GameDatabase& database, const std::string& identifier, const SharedLine& line) {
    database.idList.push_back(identifier);
    database.records.try_emplace(identifier, line);
}

}  // namespace

DiscRecord SplitDatabaseLine(std::string_view line) {
    return SplitStoredLine(line).fields;
}

std::string JoinDatabaseLine(const DiscRecord& record) {
    std::string line;
    for (std::size_t field = 0; field < DATABASE_FIELDS; ++field) {
        line += record[field];
        line += ';';
    }
    return line;
}

DiscRecord RecordOf(const std::string& identifier, const StoredLine& line) {
    DiscRecord record = line.fields;
    record[0] = identifier;
    return record;
}

void AddDiscRecord(GameDatabase& database, const DiscRecord& record) {
    Keep(database, record[0], std::make_shared<const StoredLine>(StoredLine{record, {}}));
}

std::optional<DiscRecord> FindDiscRecord(const GameDatabase& database,
                                         std::string_view identifier) {
    const auto found = database.records.find(std::string(identifier));
    if (found == database.records.end()) return std::nullopt;
    return RecordOf(found->first, *found->second);
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

        // The fields after the identifiers are read once and shared by
        // every identifier of the line.
        const std::string head(line.substr(0, line.find(';')));
        StoredLine stored = SplitStoredLine(line);
        stored.fields[0].clear();
        const SharedLine shared = std::make_shared<const StoredLine>(std::move(stored));
        for (const std::string& token :
             boost::tokenizer<boost::char_separator<char>>(head, separator)) {
            Keep(database, token, shared);
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
    const platform::SmallFile file = platform::ReadSmallFile(path);
    if (file.IsRead()) ParseDatabaseFileText(file.text, database);
    return file.outcome;
}

void ParseDatabaseFileText(std::string_view text, GameDatabase& database) {
    platform::LineReader lines(text, platform::LineReader::UNLIMITED, platform::LineEnds::AnyBreak);
    std::string_view line;
    while (lines.Next(line)) {
        if (IsCommentLine(line)) {
            database.commentLines.emplace_back(line);
            continue;
        }
        StoredLine stored = SplitStoredLine(line);
        const std::string identifier = stored.fields[0];
        Keep(database, identifier, std::make_shared<const StoredLine>(std::move(stored)));
    }
}

bool LooksLikeDatabase(std::string_view text) {
    // A few lines tell; a database may hold odd lines further down.
    constexpr int LINES_LOOKED_AT = 3;
    platform::LineReader lines(text, platform::LineReader::UNLIMITED, platform::LineEnds::AnyBreak);
    std::string_view line;
    int looked = 0;
    while (looked < LINES_LOOKED_AT && lines.Next(line)) {
        if (line.empty() || IsCommentLine(line)) continue;
        if (line.find(';') == std::string_view::npos) return false;
        ++looked;
    }
    return true;
}

bool WriteDatabase(const std::string& path, const GameDatabase& database) {
    std::string content;
    for (const std::string& comment : database.commentLines) platform::AppendLine(content, comment);
    for (const auto& [identifier, line] : database.records) {
        platform::AppendLine(content,
                             JoinDatabaseLine(RecordOf(identifier, *line)) + line->beyondNinth);
    }
    return platform::ReplaceFileContent(path, content);
}
