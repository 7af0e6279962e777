#include "run/DatImport.h"

#include "gamedb/DatFile.h"
#include "gamedb/DatRecords.h"
#include "gamedb/DatabaseMerge.h"
#include "gamedb/GameDatabase.h"
#include "platform/ReadOnlyFile.h"

namespace {

bool SameFields(const DiscRecord& a, const DiscRecord& b) {
    for (std::size_t field = 0; field < DATABASE_FIELDS; ++field) {
        if (a[field] != b[field]) return false;
    }
    return true;
}

std::size_t TextBytes(const DiscRecord& record) {
    std::size_t bytes = 0;
    for (const std::string& field : record) bytes += field.size();
    return bytes;
}

}  // namespace

DatImportReport ImportDatFiles(const std::vector<std::string>& datPaths,
                               const std::string& databasePath, std::string_view systemText,
                               bool datPriority) {
    DatImportReport report;
    // The database is read whole before anything is written: one that exists
    // but cannot be read, or holds something else, is never replaced.
    const platform::SmallFile database = platform::ReadSmallFile(databasePath);
    bool databaseUsable = false;
    if (databasePath.empty()) {
        report.problems.push_back({"no database file given (--database FILE)", databasePath});
    } else if (platform::ExistsUnread(database.outcome)) {
        report.problems.push_back({"the database cannot be read", databasePath});
    } else if (database.IsRead() && !LooksLikeDatabase(database.text)) {
        report.problems.push_back({"this file does not look like a game database", databasePath});
    } else {
        databaseUsable = true;
    }

    GameDatabase fromDats;
    std::size_t textBytes = 0;
    bool overflow = false;
    const DatGameSink take = [&](const DatGame& game) {
        ++report.games;
        const std::vector<DiscRecord> records = DatGameRecords(game, systemText);
        if (records.empty()) ++report.skipped;
        for (const DiscRecord& record : records) {
            textBytes += TextBytes(record);
            if (fromDats.idList.size() >= DAT_IMPORT_MAX_RECORDS ||
                textBytes > DAT_IMPORT_MAX_TEXT_BYTES) {
                overflow = true;
                return;
            }
            AddDiscRecord(fromDats, record);
        }
    };
    for (const std::string& path : datPaths) {
        const std::size_t gamesBefore = report.games;
        const DatReading reading = ReadDatFile(path, take);
        if (!reading.valid) {
            report.problems.push_back(
                {reading.opened ? "damaged DAT, " + reading.error : reading.error, path});
        } else if (overflow) {
            report.problems.push_back({"more games than one import takes", path});
        } else if (report.games == gamesBefore && !reading.header) {
            // A DAT's header and no games is a list that is empty for now;
            // a file with neither is something else.
            report.problems.push_back({"no games in this file: is it a DAT?", path});
        }
        if (overflow) break;
    }
    if (!databaseUsable || !report.problems.empty()) return report;
    report.inputValid = true;

    GameDatabase existing;
    if (database.IsRead()) ParseDatabaseFileText(database.text, existing);
    for (const auto& [identifier, line] : fromDats.records) {
        const auto held = existing.records.find(identifier);
        if (held == existing.records.end()) {
            ++report.added;
        } else if (datPriority &&
                   !SameFields(RecordOf(identifier, *held->second), RecordOf(identifier, *line))) {
            ++report.updated;
        } else {
            ++report.skipped;
        }
    }
    report.skipped += fromDats.idList.size() - fromDats.records.size();
    if (report.added == 0 && report.updated == 0) return report;

    const GameDatabase merged = datPriority
                                    ? MergeDatabases(std::move(fromDats), std::move(existing))
                                    : MergeDatabases(std::move(existing), std::move(fromDats));
    report.written = WriteDatabase(databasePath, merged);
    report.writeFailed = !report.written;
    return report;
}
