#include "run/RunSteps.h"

#include "ident/DiscHandlers.h"
#include "ident/ExtractionFolder.h"
#include "platform/FileOps.h"
#include "platform/KelCurrentDirectory.h"
#include "run/FileEnumeration.h"

namespace {
constexpr std::int64_t PROGRESS_RANGE = 65536;
}

bool BeginRun(const RunSettings& settings) {
    RunHost& host = *settings.ownerWindow;
    RunState& state = *settings.runState;
    state.stopRequested = false;
    state.settings = settings;
    // A run that was killed could not remove its extracted files.
    RemoveAbandonedExtractionFolders();
    host.SetProgress(0);
    host.StartDirectory().MakeCurrent();
    host.SetControlsEnabled(false);
    if (platform::IsExistingFolder(settings.texts[EDIT_FOLDER])) return true;
    RejectInput(host, "FOLDER_NOT_FOUND", MessageIcon::Warning);
    return false;
}

RunOutcome RejectInput(RunHost& host, const char* key, MessageIcon icon) {
    host.ShowMessage(host.LanguageText("MessageBox", key), icon);
    host.SetControlsEnabled(true);
    return RunOutcome::InputRejected;
}

void ListCandidates(const RunSettings& settings, bool stripPartSuffixes,
                    platform::FolderSnapshots& snapshots) {
    RunState& state = *settings.runState;
    settings.ownerWindow->SetStatusText(
        settings.ownerWindow->LanguageText("State", "FILE_ENUMERATION"));
    state.candidates.clear();
    EnumerateFiles(settings.texts[EDIT_FOLDER], settings.checks[CHECK_SUBFOLDERS] == 1,
                   state.candidates, &snapshots);
    ReduceToBaseNames(state.candidates, stripPartSuffixes);
}

std::unique_ptr<KelFileBase> IdentifyCandidate(RunHost& host, int systemIndex,
                                               DiscHandlerParams& params,
                                               const std::string& candidate,
                                               std::int64_t& processed, std::int64_t total) {
    host.SetStatusText(host.LanguageText("State", "GET_ID") + " : " + candidate);
    params.basePath = candidate;
    std::unique_ptr<KelFileBase> handler = CreateDiscHandler(systemIndex, params);
    ++processed;
    host.SetProgress(int(processed * PROGRESS_RANGE / total));
    return handler;
}

void RemoveFirstCarriageReturn(std::string& identifier) {
    const std::size_t carriageReturn = identifier.find('\r');
    if (carriageReturn != std::string::npos) identifier.erase(carriageReturn, 1);
}
