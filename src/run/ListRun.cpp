#include "run/ListRun.h"

#include <string>

#include "core/RunHost.h"
#include "core/RunReport.h"
#include "gamedb/GameDatabase.h"
#include "platform/AppendFile.h"
#include "platform/FileOps.h"
#include "platform/FolderSnapshots.h"
#include "platform/KelCurrentDirectory.h"
#include "platform/PathText.h"
#include "platform/ReadOnlyFile.h"
#include "platform/TextLines.h"
#include "rename/PlanSink.h"
#include "run/CandidateReadAhead.h"
#include "run/ErrorLog.h"
#include "run/RunSteps.h"

RunOutcome RunList(RunSettings settings) {
    RunHost& host = *settings.ownerWindow;
    RunState& state = *settings.runState;
    const RunOptions& options = settings.options;
    auto text = [&host](const char* section, const char* key) {
        return host.LanguageText(section, key);
    };

    if (!BeginRun(settings)) return RunOutcome::InputRejected;
    const std::string& databasePath = options.database;
    // Lines are added only to a database: a file that is there but cannot be
    // read, or that holds something else, is left alone.
    const platform::SmallFile existing = platform::ReadSmallFile(databasePath);
    if (platform::ExistsUnread(existing.outcome)) {
        return RejectInput(host, "DATABASE_NOT_FOUND", MessageIcon::Information);
    }
    if (existing.IsRead() && !LooksLikeDatabase(existing.text)) {
        return RejectInput(host, "NOT_A_DATABASE", MessageIcon::Warning, databasePath);
    }
    // A line added to a file that does not end with a line end would run
    // into its last record.
    const bool needsLineEnd = !existing.text.empty() && existing.text.back() != '\n';
    platform::AppendFile database(databasePath);
    if (!database.IsOpen())
        return RejectInput(host, "DATABASE_NOT_FOUND", MessageIcon::Information);
    const int systemIndex = options.system;
    if (systemIndex == 0) return RejectInput(host, "MODE_NOT_SELECTED", MessageIcon::Information);

    platform::FolderSnapshots folderSnapshots;
    // Each volume of a multi-volume archive stays a candidate of its own.
    ListCandidates(settings, false, folderSnapshots);

    const std::string systemName = SystemName(systemIndex);
    DiscHandlerParams params;
    if (systemIndex != 3) {
        params.virtualDriveToolPath = options.driveTool;
        params.driveText = options.driveText;
    }
    params.searchArchives = options.searchArchives;
    params.computeChecksum = false;
    params.stopRequested = &state.stopRequested;
    params.folderSnapshots = &folderSnapshots;
    CandidateReadAhead readAhead(systemIndex, params, state.candidates, settings.readAhead);
    params.bootFilesAhead = readAhead.BootFilesAhead();

    bool written = !needsLineEnd || database.Append(platform::LINE_END);
    std::vector<std::string> errors;
    const std::int64_t total = std::int64_t(state.candidates.size());
    std::int64_t processed = 0;
    std::int64_t listed = 0;
    bool stopped = false;
    ReportSink* const reports = settings.reports;
    auto tell = [reports](const KelFileBase& handler, DiscReport::Result result,
                          const std::string& identifier, const std::string& reason) {
        if (!reports) return;
        DiscReport disc;
        disc.path = handler.BasePath();
        disc.identifier = identifier;
        disc.result = result;
        disc.reason = reason;
        for (const std::string& path : handler.OwnFiles()) disc.files.push_back({path, path, {}});
        reports->Disc(disc);
    };
    for (std::size_t index = 0; index < state.candidates.size(); ++index) {
        const std::string& candidate = state.candidates[index];
        if (state.stopRequested) {
            stopped = true;
            break;
        }
        readAhead.Reach(index);
        const std::unique_ptr<KelFileBase> handler =
            IdentifyCandidate(host, systemIndex, params, candidate, processed, total);
        // Stop cut the extraction of its archive short: the disc was not looked at.
        if (handler->Interrupted()) {
            stopped = true;
            break;
        }
        if (!handler->IdFound()) {
            tell(*handler, DiscReport::Result::NotListed, {}, SKIP_NO_IDENTIFIER);
            continue;
        }
        DiscRecord record;
        record[0] = handler->IdAt(0);
        // Written with its carriage return, the line would split in editors
        // and never match a lookup.
        RemoveFirstCarriageReturn(record[0]);
        // A ';' in the path would end the name field early: the next rename
        // run would read the wrong name.
        if (candidate.find(';') != std::string::npos) {
            errors.push_back(NotListedLine(candidate));
            tell(*handler, DiscReport::Result::NotListed, record[0], "';' in the path");
            continue;
        }

        record[1] = candidate;
        record[7] = systemName;
        written = database.AppendLine(JoinDatabaseLine(record)) && written;
        ++listed;
        tell(*handler, DiscReport::Result::Listed, record[0], {});
    }

    readAhead.Stop();

    std::vector<std::string> notWritten;
    if (!database.Close() || !written) notWritten.push_back(databasePath);
    RunSummary summary;
    summary.discs = stopped ? processed : total;
    summary.done = listed;
    summary.found = listed;
    std::string message = text("MessageBox", "LIST_DONE_1");
    if (!errors.empty()) {
        KelOutputText errorLog(ERROR_LOG_FILE);
        AddErrorLogBlock(errorLog, errors);
        if (errorLog.Write()) {
            summary.errorLines = std::int64_t(errors.size());
            summary.errorLog =
                platform::JoinPath(host.StartDirectory().Directory(), ERROR_LOG_FILE);
            message += "\n" + text("MessageBox", "ERROR_LOG_LINES") + " " + summary.errorLog;
        } else {
            notWritten.push_back(ERROR_LOG_FILE);
        }
    }
    return EndRun(host, stopped ? text("MessageBox", "STOPPED") + "  " : std::string(), message,
                  stopped, notWritten, reports, std::move(summary));
}
