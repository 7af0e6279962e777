#include "run/RunSteps.h"

#include "archive/ExtractionFolder.h"
#include "ident/DiscHandlers.h"
#include "platform/FileOps.h"
#include "platform/KelCurrentDirectory.h"
#include "platform/StrayTemporaries.h"
#include "run/ArchiveMessages.h"
#include "run/FileEnumeration.h"

namespace {
constexpr std::int64_t PROGRESS_RANGE = 65536;
}

bool BeginRun(const RunSettings& settings) {
    RunHost& host = *settings.ownerWindow;
    RunState& state = *settings.runState;
    state.stopRequested = false;
    state.settings = settings;
    const bool dryRun = settings.dryRunPlan != nullptr;
    // A run that was killed could not remove its extracted files.
    if (!dryRun) RemoveAbandonedExtractionFolders();
    host.SetProgress(0);
    host.StartDirectory().MakeCurrent();
    // The lists, the log and the settings are rewritten in the start-up
    // directory: a killed run may have left its temporaries there.
    if (!dryRun) platform::RemoveStrayTemporaries(".", platform::ListFolder("."));
    host.SetControlsEnabled(false);
    if (platform::IsExistingFolder(settings.options.folder)) return true;
    // A disc image given for its folder is there, and the user should hear so.
    RejectInput(
        host,
        platform::IsExistingFile(settings.options.folder) ? "FOLDER_IS_FILE" : "FOLDER_NOT_FOUND",
        MessageIcon::Warning);
    return false;
}

RunOutcome RejectInput(RunHost& host, const char* key, MessageIcon icon, const std::string& path) {
    const std::string text = host.LanguageText("MessageBox", key);
    host.ShowMessage(path.empty() ? text : text + " " + path, icon);
    host.SetControlsEnabled(true);
    return RunOutcome::InputRejected;
}

void ListCandidates(const RunSettings& settings, bool stripPartSuffixes,
                    platform::FolderSnapshots& snapshots) {
    RunState& state = *settings.runState;
    settings.ownerWindow->SetStatusText(
        settings.ownerWindow->LanguageText("State", "FILE_ENUMERATION"));
    state.candidates.clear();
    EnumerateFiles(settings.options.folder, settings.options.scanSubfolders, state.candidates,
                   &snapshots, settings.dryRunPlan != nullptr);
    ReduceToBaseNames(state.candidates, stripPartSuffixes);
    GroupCueSets(state.candidates, snapshots);
}

std::unique_ptr<KelFileBase> IdentifyCandidate(RunHost& host, int systemIndex,
                                               DiscHandlerParams& params,
                                               const std::string& candidate,
                                               std::int64_t& processed, std::int64_t total) {
    host.SetStatusText(host.LanguageText("State", "GET_ID") + " : " + candidate);
    params.basePath = candidate;
    std::unique_ptr<KelFileBase> handler = CreateDiscHandler(systemIndex, params);
    ShowArchiveProblem(host, handler->ArchiveFailure());
    ++processed;
    host.SetProgress(int(processed * PROGRESS_RANGE / total));
    return handler;
}

RunOutcome EndRun(RunHost& host, const std::string& statusPrefix, const std::string& message,
                  bool stopped, const std::vector<std::string>& notWritten, ReportSink* reports,
                  RunSummary summary) {
    std::string shown = message;
    if (!notWritten.empty()) {
        shown += " " + host.LanguageText("MessageBox", "FILES_NOT_WRITTEN");
        for (std::size_t i = 0; i < notWritten.size(); ++i) {
            shown += (i == 0 ? " " : ", ") + notWritten[i];
        }
    }
    if (reports) {
        summary.message = shown;
        summary.notWritten = notWritten;
        summary.stopped = stopped;
        reports->Summary(summary);
    }
    host.SetStatusText(statusPrefix + shown);
    host.ShowMessage(shown, notWritten.empty() ? MessageIcon::Information : MessageIcon::Warning);
    host.SetProgress(0);
    host.SetControlsEnabled(true);
    if (stopped) return RunOutcome::Stopped;
    return notWritten.empty() ? RunOutcome::Completed : RunOutcome::CompletedWithWriteFailures;
}

void RemoveFirstCarriageReturn(std::string& identifier) {
    const std::size_t carriageReturn = identifier.find('\r');
    if (carriageReturn != std::string::npos) identifier.erase(carriageReturn, 1);
}
