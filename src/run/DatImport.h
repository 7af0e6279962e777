#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// import-dat: the games of DAT files merged into the database file by Add
// Record's rule. The database's records win for identifiers both hold unless
// `datPriority`; the database is rewritten sorted by identifier, through a
// temporary file. A database file that does not exist yet is created.
//
// All or nothing: when a DAT cannot be read whole, or the database cannot be
// read, nothing is written, so a truncated download never lands half in the
// database.

// Records that one import takes at most, and the text they may hold; a file
// beyond either is refused rather than filling memory.
inline constexpr std::size_t DAT_IMPORT_MAX_RECORDS = 1000000;
inline constexpr std::size_t DAT_IMPORT_MAX_TEXT_BYTES = std::size_t(256) << 20;

struct DatImportProblem {
    std::string what;
    std::string path;
};

struct DatImportReport {
    // Every DAT was read whole and the database could be read.
    bool inputValid = false;
    // The database file was rewritten (false also when nothing changed).
    bool written = false;
    // The rewrite was needed but failed; the database stays as it was.
    bool writeFailed = false;
    std::size_t games = 0;  // games in all DATs
    // Identifiers the database did not hold; identifiers whose record the
    // DAT's replaced (with priority, where the two differ); and what was left
    // out: games without a usable serial, records the database already holds,
    // repeats within the DATs.
    std::size_t added = 0;
    std::size_t updated = 0;
    std::size_t skipped = 0;
    std::vector<DatImportProblem> problems;
};

DatImportReport ImportDatFiles(const std::vector<std::string>& datPaths,
                               const std::string& databasePath, std::string_view systemText,
                               bool datPriority);
