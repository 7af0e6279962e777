#include "run/RenameRun.h"

#include <optional>
#include <string>
#include <vector>

#include "core/RunHost.h"
#include "ident/GameDatabase.h"
#include "naming/HaveMissLists.h"
#include "naming/ImageTexts.h"
#include "naming/KelOutputText.h"
#include "naming/KelRenameBatch.h"
#include "naming/RenamingFormula.h"
#include "platform/FileOps.h"
#include "platform/FileSearch.h"
#include "platform/FolderSnapshots.h"
#include "platform/KelCurrentDirectory.h"
#include "platform/PathText.h"
#include "run/ErrorLog.h"
#include "run/FolderPass.h"
#include "run/ReleaseDate.h"
#include "run/RunSteps.h"

namespace {

constexpr const char* RENAME_BATCH_FILE = "RenameBatch.bat";

bool Ticked(const RunSettings& settings, CheckIndex index) {
    return settings.checks[index] == 1;
}

// The extensions of the image file and of every file whose name continues
// it (Game.bin, Game.bin.bak), joined with '+', for the "%e" type text.
std::string ImageExtensions(const std::string& imageFile,
                            const platform::FolderSnapshots& snapshots) {
    const platform::PathSplit split = platform::SplitAtLastSeparator(imageFile);
    std::string joined;
    for (const platform::FoundEntry& entry :
         snapshots.Find(platform::ListableFolder(split), split.name, ".*")) {
        if (entry.isFolder) continue;
        const std::size_t dot = entry.name.rfind('.');
        if (!joined.empty()) joined += '+';
        joined += dot == std::string::npos ? entry.name : entry.name.substr(dot + 1);
    }
    return joined;
}

// Tries the handler's identifiers in order; the first in the database wins.
// `tried` ends as the last identifier tried.
const DiscRecord* LookUp(const KelFileBase& handler, const GameDatabase& database,
                         std::string& tried) {
    for (std::int32_t i = 0; i < handler.IdCount(); ++i) {
        tried = handler.IdAt(i);
        RemoveFirstCarriageReturn(tried);
        if (const DiscRecord* record = FindDiscRecord(database, tried)) return record;
    }
    return nullptr;
}

}  // namespace

RunOutcome RunRename(RunSettings settings) {
    RunHost& host = *settings.ownerWindow;
    RunState& state = *settings.runState;
    const auto& texts = settings.texts;
    auto text = [&host](const char* section, const char* key) {
        return host.LanguageText(section, key);
    };

    if (!BeginRun(settings)) return RunOutcome::InputRejected;
    if (!platform::IsExistingFile(texts[EDIT_DATABASE])) {
        return RejectInput(host, "DATABASE_NOT_FOUND", MessageIcon::Information);
    }
    const int systemIndex = SystemIndex(settings.systemSelection);
    if (systemIndex == 0) return RejectInput(host, "MODE_NOT_SELECTED", MessageIcon::Information);

    platform::FolderSnapshots folderSnapshots;
    ListCandidates(settings, true, folderSnapshots);
    if (texts[EDIT_LIST_FORMAT].empty()) {
        return RejectInput(host, "HAVE_MISS_FORMAT_NOT_FOUND", MessageIcon::Information);
    }

    const std::string systemName = SystemName(systemIndex);
    HaveSet haveIds;
    LoadHaveIds(systemName, haveIds);
    host.SetStatusText(text("State", "READ_DATABASE"));
    GameDatabase database;
    ReadDatabase(texts[EDIT_DATABASE], systemName, database);
    host.SetStatusText(text("State", "HAVE_LIST_READ"));
    HaveMissInventory inventory(systemName, database, texts[EDIT_LIST_FORMAT], haveIds);

    DiscHandlerParams params;
    params.virtualDriveToolPath = texts[EDIT_DRIVE_TOOL];
    params.driveText = settings.driveText;
    params.searchArchives = true;
    params.computeChecksum = Ticked(settings, CHECK_IMAGE_CHECKSUM);
    params.ownerWindow = &host;
    params.stopRequested = &state.stopRequested;
    params.folderSnapshots = &folderSnapshots;

    FormulaSettings formula;
    formula.formula = texts[EDIT_FORMULA];
    formula.fullWidthSpecial = Ticked(settings, CHECK_FULLWIDTH_SPECIAL);
    formula.fullWidthDigits = Ticked(settings, CHECK_FULLWIDTH_DIGITS);
    formula.fullWidthLetters = Ticked(settings, CHECK_FULLWIDTH_LETTERS);
    formula.fullWidthPunctuation = Ticked(settings, CHECK_FULLWIDTH_PUNCTUATION);
    formula.fullWidthSpaces = Ticked(settings, CHECK_FULLWIDTH_SPACES);

    const bool setTimes = Ticked(settings, CHECK_SET_TIMES);
    FolderRenameList folders(texts[EDIT_FOLDER], setTimes);
    KelRenameBatch batch(RENAME_BATCH_FILE);
    KelOutputText errorLog(ERROR_LOG_FILE);
    std::vector<std::string> errors;

    const std::int64_t total = std::int64_t(state.candidates.size());
    std::int64_t processed = 0;
    std::int64_t renamed = 0;
    std::optional<std::int64_t> releaseTime;

    for (const std::string& candidate : state.candidates) {
        if (state.stopRequested) break;
        // The lists stay current even when the run is stopped; they are
        // rewritten only when they would change.
        if (inventory.Changed()) inventory.Write();
        const std::unique_ptr<KelFileBase> handler =
            IdentifyCandidate(host, systemIndex, params, candidate, processed, total);
        // Stop cut the extraction of its archive short: the disc was not looked at.
        if (handler->Interrupted()) break;

        if (!handler->IdFound()) {
            errors.push_back(FailedToFindIdLine(candidate));
            if (!handler->ImageProblem().empty()) {
                errors.push_back(ImageProblemLine(handler->ImageProblem()));
            }
            continue;
        }
        host.SetStatusText(text("State", "RENAME") + " : " + candidate);
        std::string identifier;
        const DiscRecord* found = LookUp(*handler, database, identifier);
        if (found == nullptr) {
            errors.push_back(NotInDatabaseLine(identifier, candidate));
            continue;
        }

        DiscRecord record = *found;
        record[9] = SizeText(platform::FileSizeOf(handler->ImageFile()).value_or(0));
        record[10] = TypeText(ImageExtensions(handler->ImageFile(), folderSnapshots));
        const std::string newName = ExpandFormula(record, formula);
        if (setTimes) releaseTime = ParseReleaseDate(record[6]);

        batch.AddRename(handler->BasePath(), newName);
        RenameRequest request;
        request.newName = newName;
        request.setFileTime = setTimes && releaseTime.has_value();
        request.fileTime = releaseTime.value_or(0);
        if (!handler->Rename(request)) continue;

        ++renamed;
        inventory.AddHaveId(identifier);
        if (Ticked(settings, CHECK_RENAME_FOLDERS)) {
            folders.AddFolderEntry(handler->BasePath(), newName,
                                   setTimes ? releaseTime : std::nullopt);
        }
    }

    folders.ExecuteFolderRenames();
    inventory.Finish();
    AddErrorLogBlock(errorLog, errors);
    if (Ticked(settings, CHECK_WRITE_BATCH)) batch.Write();
    errorLog.Write();

    const std::string summary = text("MessageBox", "DONE_1") + ":" + std::to_string(total) + " " +
                                text("MessageBox", "DONE_2") + ":" + std::to_string(renamed) + " " +
                                text("MessageBox", "DONE_3") + ":" +
                                std::to_string(total - renamed);
    host.SetStatusText(text("MessageBox", "DONE_4") + "  " + summary);
    host.ShowMessage(summary, MessageIcon::Information);
    host.SetProgress(0);
    host.SetControlsEnabled(true);
    return RunOutcome::Completed;
}
