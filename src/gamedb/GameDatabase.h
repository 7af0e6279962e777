#pragma once

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ReadOnlyFile.h"

// The game database: a text file with one game per line, nine fields each
// closed by ';'. Field 0 is the identifier, 1 the name, 6 the release date
// (YYMMDD or YYYYMMDD), 7 the system text ("PS1", "PS2", "PSP"). A line that
// begins with ';' is a comment. Bytes are taken as they are: no conversion, no
// quoting, no trimming.

inline constexpr std::size_t DATABASE_FIELDS = 9;

// One game: the nine database fields, then the size text (9) and the image
// type text (10) that the rename run adds for the "%z" and "%e" placeholders.
using DiscRecord = std::array<std::string, 11>;

// A database line as it is kept: its fields, and whatever followed the ninth
// field, so that a rewrite never drops what it did not understand. All the
// identifiers that one line lists share one stored line: a line of thousands
// of identifiers costs its own size, not thousands of copies of it.
struct StoredLine {
    DiscRecord fields;
    std::string beyondNinth;
};
using SharedLine = std::shared_ptr<const StoredLine>;

struct GameDatabase {
    // By identifier, in byte order of the keys; the first record added for a
    // key stays.
    std::map<std::string, SharedLine> records;
    // Identifiers in the order their records were added, repeats included.
    std::vector<std::string> idList;
    std::vector<std::string> commentLines;
};

// Fields 0 to 8 are the text up to the first, second, ... ninth ';'. Missing
// fields are empty, text after the ninth field is ignored.
DiscRecord SplitDatabaseLine(std::string_view line);

// The nine database fields, each followed by ';'.
std::string JoinDatabaseLine(const DiscRecord& record);

// The record of an identifier: the fields of its line with the identifier as
// field 0.
DiscRecord RecordOf(const std::string& identifier, const StoredLine& line);

// Lists field 0 in idList and keeps the record unless its key is already there.
void AddDiscRecord(GameDatabase& database, const DiscRecord& record);

// Exact, case-sensitive lookup; nothing when the identifier is not held.
std::optional<DiscRecord> FindDiscRecord(const GameDatabase& database, std::string_view identifier);

// Reads the records of one system for the rename run: a line is taken when it
// contains ";" + systemText + ";" anywhere, and its field 0 may hold several
// identifiers, each giving a record. A file that cannot be read leaves the
// database as it was; the outcome says why.
platform::SmallFile::Outcome ReadDatabase(const std::string& path, std::string_view systemText,
                                          GameDatabase& database);
// The same for a database's text already in memory.
void ParseDatabaseText(std::string_view text, std::string_view systemText, GameDatabase& database);

// Reads every line as it is: no system filter, no identifier split. CR, LF
// and CR LF all end a line, so a file from any system keeps all its lines.
platform::SmallFile::Outcome ReadDatabaseFile(const std::string& path, GameDatabase& database);
// The same for a database's text already in memory.
void ParseDatabaseFileText(std::string_view text, GameDatabase& database);

// Whether a file's text can be a game database: empty, or its first lines
// that are no comments hold ';'-separated fields. A list of another kind (a
// budget.csv with commas) is never added to or rewritten.
bool LooksLikeDatabase(std::string_view text);

// Rewrites the file whole (comment lines, then the records in key order, each
// with what followed its ninth field) through
// a temporary file beside it, so a failed write leaves the old file as it was.
// False when the file could not be written.
bool WriteDatabase(const std::string& path, const GameDatabase& database);
