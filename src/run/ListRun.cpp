#include "run/ListRun.h"

#include <string>

#include "core/RunHost.h"
#include "ident/GameDatabase.h"
#include "platform/AppendFile.h"
#include "platform/FileOps.h"
#include "platform/FolderSnapshots.h"
#include "platform/KelCurrentDirectory.h"
#include "platform/ReadOnlyFile.h"
#include "platform/TextLines.h"
#include "run/RunSteps.h"

namespace {

// Whether the file's last byte is something other than a line feed: a line
// appended to it would otherwise continue its last record.
bool EndsWithoutLineEnd(const std::string& path) {
    const platform::ReadOnlyFile file(path);
    char last = '\n';
    return file.IsOpen() && file.Size() > 0 && file.ReadExactly(&last, 1, file.Size() - 1) &&
           last != '\n';
}

}  // namespace

RunOutcome RunList(RunSettings settings) {
    RunHost& host = *settings.ownerWindow;
    RunState& state = *settings.runState;
    const auto& texts = settings.texts;
    auto text = [&host](const char* section, const char* key) {
        return host.LanguageText(section, key);
    };

    if (!BeginRun(settings)) return RunOutcome::InputRejected;
    const std::string& databasePath = texts[EDIT_DATABASE];
    const bool needsLineEnd = EndsWithoutLineEnd(databasePath);
    platform::AppendFile database(databasePath);
    if (!database.IsOpen())
        return RejectInput(host, "DATABASE_NOT_FOUND", MessageIcon::Information);
    const int systemIndex = SystemIndex(settings.systemSelection);
    if (systemIndex == 0) return RejectInput(host, "MODE_NOT_SELECTED", MessageIcon::Information);

    platform::FolderSnapshots folderSnapshots;
    // Each volume of a multi-volume archive stays a candidate of its own.
    ListCandidates(settings, false, folderSnapshots);

    const std::string systemName = SystemName(systemIndex);
    DiscHandlerParams params;
    if (systemIndex != 3) {
        params.virtualDriveToolPath = texts[EDIT_DRIVE_TOOL];
        params.driveText = settings.driveText;
    }
    params.searchArchives = settings.checks[CHECK_SEARCH_ARCHIVES] == 1;
    params.computeChecksum = false;
    params.ownerWindow = &host;
    params.stopRequested = &state.stopRequested;
    params.folderSnapshots = &folderSnapshots;

    if (needsLineEnd) database.Append(platform::LINE_END);
    const std::int64_t total = std::int64_t(state.candidates.size());
    std::int64_t processed = 0;
    for (const std::string& candidate : state.candidates) {
        if (state.stopRequested) break;
        const std::unique_ptr<KelFileBase> handler =
            IdentifyCandidate(host, systemIndex, params, candidate, processed, total);
        // Stop cut the extraction of its archive short: the disc was not looked at.
        if (handler->Interrupted()) break;
        if (!handler->IdFound()) continue;

        DiscRecord record;
        record[0] = handler->IdAt(0);
        // Written with its carriage return, the line would split in editors
        // and never match a lookup.
        RemoveFirstCarriageReturn(record[0]);
        record[1] = candidate;
        record[7] = systemName;
        database.AppendLine(JoinDatabaseLine(record));
    }

    host.SetStatusText(text("MessageBox", "LIST_DONE_1"));
    host.ShowMessage(text("MessageBox", "LIST_DONE_1"), MessageIcon::Information);
    host.SetProgress(0);
    host.SetControlsEnabled(true);
    return RunOutcome::Completed;
}
