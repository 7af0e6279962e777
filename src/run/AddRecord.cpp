#include "run/AddRecord.h"

#include "core/RunHost.h"
#include "core/RunOptions.h"
#include "gamedb/DatabaseMerge.h"
#include "gamedb/GameDatabase.h"
#include "platform/FileOps.h"
#include "platform/KelCurrentDirectory.h"
#include "platform/ReadOnlyFile.h"
#include "run/RunSteps.h"

RunOutcome MergeDatabaseFiles(const RunOptions& options, RunHost& host) {
    auto text = [&host](const char* section, const char* key) {
        return host.LanguageText(section, key);
    };
    host.SetControlsEnabled(false);
    host.StartDirectory().MakeCurrent();
    const std::string& database = options.database;
    const std::string& addition = options.addFile;
    auto reject = [&host](const char* key, const std::string& path = {}) {
        return RejectInput(host, key, MessageIcon::Information, path);
    };
    // Both files are read whole before anything is written: a database that
    // could not be read is never replaced by the add file alone.
    if (!platform::IsExistingFile(database)) return reject("DATABASE_NOT_FOUND");
    const platform::SmallFile databaseFile = platform::ReadSmallFile(database);
    if (!databaseFile.IsRead()) return reject("DATABASE_NOT_FOUND");
    if (!platform::IsExistingFile(addition)) return reject("ADD_DATABASE_NOT_FOUND");
    const platform::SmallFile additionFile = platform::ReadSmallFile(addition);
    if (!additionFile.IsRead()) return reject("ADD_DATABASE_NOT_FOUND");
    if (!LooksLikeDatabase(databaseFile.text)) return reject("NOT_A_DATABASE", database);
    if (!LooksLikeDatabase(additionFile.text)) return reject("NOT_A_DATABASE", addition);

    host.SetStatusText(text("State", "DATABASE_ADD"));
    const bool additionFirst = options.addPriority;
    const GameDatabase merged = additionFirst
                                    ? MergeDatabases(additionFile.text, databaseFile.text)
                                    : MergeDatabases(databaseFile.text, additionFile.text);
    // The rewrite goes through a temporary file: when it fails the database
    // stays as it was, and the user is told instead of hearing it worked.
    const bool written = WriteDatabase(database, merged);
    host.ShowMessage(text("MessageBox", written ? "ADD_COMPLETE" : "ADD_WRITE_FAILED"),
                     MessageIcon::Information);
    host.SetStatusText(text("State", "WAIT"));
    host.SetControlsEnabled(true);
    return written ? RunOutcome::Completed : RunOutcome::CompletedWithWriteFailures;
}
