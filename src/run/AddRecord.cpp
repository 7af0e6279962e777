#include "run/AddRecord.h"

#include "config/WindowModel.h"
#include "core/RunHost.h"
#include "ident/DatabaseMerge.h"
#include "ident/GameDatabase.h"
#include "platform/FileOps.h"
#include "platform/KelCurrentDirectory.h"

RunOutcome MergeDatabaseFiles(WindowModel& model, RunHost& host) {
    auto text = [&host](const char* section, const char* key) {
        return host.LanguageText(section, key);
    };
    host.SetControlsEnabled(false);
    host.StartDirectory().MakeCurrent();
    const std::string database = model.edits[EDIT_DATABASE];
    const std::string addition = model.edits[EDIT_ADD_DATABASE];
    auto reject = [&](const char* key) {
        host.ShowMessage(text("MessageBox", key), MessageIcon::Information);
        host.SetControlsEnabled(true);
        return RunOutcome::InputRejected;
    };
    if (!platform::IsExistingFile(database)) return reject("DATABASE_NOT_FOUND");
    if (!platform::IsExistingFile(addition)) return reject("ADD_DATABASE_NOT_FOUND");

    host.SetStatusText(text("State", "DATABASE_ADD"));
    const bool additionFirst = model.checks[CHECK_ADD_PRIORITY] == 1;
    const GameDatabase merged =
        additionFirst ? MergeDatabases(addition, database) : MergeDatabases(database, addition);
    // The rewrite goes through a temporary file: when it fails the database
    // stays as it was, and the user is told instead of hearing it worked.
    const bool written = WriteDatabase(database, merged);
    host.ShowMessage(text("MessageBox", written ? "ADD_COMPLETE" : "ADD_WRITE_FAILED"),
                     MessageIcon::Information);
    if (written) model.edits[EDIT_ADD_DATABASE].clear();
    host.SetStatusText(text("State", "WAIT"));
    host.SetControlsEnabled(true);
    return written ? RunOutcome::Completed : RunOutcome::InputRejected;
}
