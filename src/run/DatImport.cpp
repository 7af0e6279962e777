#include "run/DatImport.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ident/DatFile.h"
#include "ident/DatRecords.h"
#include "ident/DatabaseMerge.h"
#include "ident/GameDatabase.h"

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

// The database is read before it is replaced: one that exists but cannot be
// read would otherwise be replaced by the DAT's records alone.
bool CheckDatabase(const std::string& path, DatImportReport& report) {
    auto problem = [&](const char* what) {
        report.problems.push_back({what, path});
        return false;
    };
    if (path.empty()) return problem("no database file given (--database FILE)");
    struct stat status;
    if (stat(path.c_str(), &status) != 0) return errno == ENOENT ? true : problem("cannot be read");
    if (!S_ISREG(status.st_mode)) return problem("the database is no regular file");
    if (access(path.c_str(), R_OK) != 0) return problem("the database cannot be read");
    return true;
}

}  // namespace

DatImportReport ImportDatFiles(const std::vector<std::string>& datPaths,
                               const std::string& databasePath, std::string_view systemText,
                               bool datPriority) {
    DatImportReport report;
    const bool databaseUsable = CheckDatabase(databasePath, report);

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
        } else if (report.games == gamesBefore) {
            report.problems.push_back({"no games in this file: is it a DAT?", path});
        }
        if (overflow) break;
    }
    if (!databaseUsable || !report.problems.empty()) return report;
    report.inputValid = true;

    GameDatabase existing;
    if (access(databasePath.c_str(), F_OK) == 0) ReadDatabaseFile(databasePath, existing);
    for (const auto& [identifier, record] : fromDats.records) {
        const auto held = existing.records.find(identifier);
        if (held == existing.records.end()) {
            ++report.added;
        } else if (datPriority && !SameFields(held->second, record)) {
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
