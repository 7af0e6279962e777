#include "run/RenameRun.h"

#include <optional>
#include <string>
#include <vector>

#include "core/RunHost.h"
#include "core/RunReport.h"
#include "gamedb/GameDatabase.h"
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
#include "platform/ReadOnlyFile.h"
#include "rename/DiscRename.h"
#include "rename/FileActions.h"
#include "rename/JournalRecovery.h"
#include "rename/PlanSink.h"
#include "rename/RenameJournal.h"
#include "rename/RunLocks.h"
#include "run/CandidateReadAhead.h"
#include "run/ErrorLog.h"
#include "run/FileEnumeration.h"
#include "run/FolderPass.h"
#include "run/ReleaseDate.h"
#include "run/RunSteps.h"
#include "run/VerifyRun.h"

namespace {

constexpr const char* RENAME_BATCH_FILE = "RenameBatch.bat";

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
std::optional<DiscRecord> LookUp(const KelFileBase& handler, const GameDatabase& database,
                                 std::string& tried) {
    for (std::int32_t i = 0; i < handler.IdCount(); ++i) {
        tried = handler.IdAt(i);
        RemoveFirstCarriageReturn(tried);
        if (std::optional<DiscRecord> record = FindDiscRecord(database, tried)) return record;
    }
    return std::nullopt;
}

// Tells the user what became of the discs an interrupted run left open.
void ReportInterruptedDiscs(RunHost& host, const JournalRecovery& recovery) {
    std::string message;
    if (!recovery.entries.empty()) message = host.LanguageText("MessageBox", "INTERRUPTED_RENAMES");
    for (const FinishedEntry& entry : recovery.entries) {
        const char* key =
            entry.finished == RenameTransaction::Finished::Completed   ? "RENAME_COMPLETED"
            : entry.finished == RenameTransaction::Finished::TakenBack ? "RENAME_TAKEN_BACK"
                                                                       : "RENAME_LEFT_OPEN";
        message += "\n" + entry.subject + " (" + host.LanguageText("MessageBox", key);
        for (const Failure& failure : entry.failures) {
            message += "; " + failure.subject + ": " + failure.Reason();
        }
        message += ")";
    }
    if (recovery.tornTail) {
        if (!message.empty()) message += "\n";
        message += host.LanguageText("MessageBox", "JOURNAL_TORN") + " " + RENAME_JOURNAL_FILE;
    }
    if (!message.empty()) host.ShowMessage(message, MessageIcon::Information);
}

// A dry run leaves an interrupted run's open discs as they are, and says that
// the next real run makes them whole first.
void ReportOpenDiscs(RunHost& host, const JournalContents& journal) {
    std::string message;
    for (const JournalEntry& entry : OpenEntries(journal)) message += "\n" + entry.subject;
    if (message.empty()) return;
    host.ShowMessage(host.LanguageText("MessageBox", "OPEN_RENAMES") + message,
                     MessageIcon::Information);
}

// A skip as the plan tells it: a taken name is a collision.
std::string SkipReason(const Failure& failure) {
    return failure.kind == FailureKind::NameTaken ? SKIP_COLLISION : failure.Reason();
}

// Whether a sub-folder of `folder` holds anything: a run that did not scan
// them and found nothing should say where the discs may be.
bool SubfoldersHoldFiles(const std::string& folder) {
    for (const platform::FoundEntry& entry : platform::ListFolder(folder)) {
        if (entry.isFolder &&
            !platform::ListFolder(platform::JoinPath(folder, entry.name)).empty()) {
            return true;
        }
    }
    return false;
}

// A disc that keeps its names, with its files as they are.
DiscReport UnrenamedDisc(const KelFileBase& handler, DiscReport::Result result,
                         const std::string& identifier, const std::string& reason) {
    DiscReport disc;
    disc.path = handler.BasePath();
    disc.identifier = identifier;
    disc.result = result;
    disc.reason = reason;
    for (const std::string& path : handler.OwnFiles()) disc.files.push_back({path, path, {}});
    return disc;
}

// What renaming one disc did (or, in a dry run, would do).
void AddDiscSteps(PlanSink& plan, const DiscRename& handler) {
    for (const PlannedMove& move : handler.Plan().moves) {
        if (move.from != move.to) plan.Add({PlanStep::Kind::Rename, move.from, move.to});
    }
    for (const UnmovedFile& file : handler.UnmovedFiles()) {
        plan.Add({PlanStep::Kind::Skip, file.move.from, SkipReason(file.why)});
    }
    for (const PlannedRewrite& rewrite : handler.Plan().rewrites) {
        plan.Add({PlanStep::Kind::Rewrite, rewrite.path, {}});
    }
}

}  // namespace

RunOutcome RunRename(RunSettings settings) {
    RunHost& host = *settings.ownerWindow;
    RunState& state = *settings.runState;
    const RunOptions& options = settings.options;
    auto text = [&host](const char* section, const char* key) {
        return host.LanguageText(section, key);
    };

    if (!BeginRun(settings)) return RunOutcome::InputRejected;
    // A database that is there but cannot be read (permissions, a FIFO) is
    // as good as none, and so is a file of another kind (a list with commas,
    // a disc image): every disc would be "not in the database".
    platform::SmallFile databaseFile;
    if (platform::IsExistingFile(options.database)) {
        databaseFile = platform::ReadSmallFile(options.database);
    }
    if (!databaseFile.IsRead()) {
        return RejectInput(host, "DATABASE_NOT_FOUND", MessageIcon::Information);
    }
    if (!LooksLikeDatabase(databaseFile.text)) {
        return RejectInput(host, "DATABASE_UNRECOGNISED", MessageIcon::Warning, options.database);
    }
    const int systemIndex = options.system;
    if (systemIndex == 0) return RejectInput(host, "MODE_NOT_SELECTED", MessageIcon::Information);

    // One run at a time on a start-up directory and on a folder: a second
    // one would take back, as interrupted, the disc the first is renaming.
    RunLocks locks(RENAME_JOURNAL_FILE, options.folder);
    if (locks.Busy()) {
        return RejectInput(host, "ANOTHER_RUN", MessageIcon::Warning, locks.Why().subject);
    }
    PlanSink* const plan = settings.dryRunPlan;
    // A run killed in the middle of a disc left it half renamed: it is made
    // whole (or taken back) before anything else is looked at.
    std::vector<std::string> leftOpen;
    if (plan) {
        ReportOpenDiscs(host, ReadJournal(RENAME_JOURNAL_FILE));
    } else {
        DiskFileActions disk;
        const JournalRecovery recovery =
            FinishOpenEntries(RENAME_JOURNAL_FILE, disk, locks.JournalFileLock());
        ReportInterruptedDiscs(host, recovery);
        for (const FinishedEntry& entry : recovery.entries) {
            if (entry.finished == RenameTransaction::Finished::LeftOpen) {
                leftOpen.push_back(entry.subject);
            }
        }
    }
    RenameJournal journal(RENAME_JOURNAL_FILE, locks.JournalFileLock());
    journal.BeginRun(options.folder);

    platform::FolderSnapshots folderSnapshots;
    ListCandidates(settings, true, folderSnapshots);
    // A dry run writes no list: it needs no list format.
    if (!plan && options.listFormula.empty()) {
        return RejectInput(host, "HAVE_MISS_FORMAT_NOT_FOUND", MessageIcon::Information);
    }
    // Renaming a disc looks for playlists in the folder above its own too:
    // above the scan folder, that one is read once here, not once per disc.
    for (const std::string& folder : PlaylistFolders(options.folder)) {
        if (!folderSnapshots.Keeps(folder)) {
            folderSnapshots.Keep(folder, platform::ListFolder(folder));
        }
    }
    // The dry run decides every step on a simulation of the disk, by the
    // same code that makes them.
    std::unique_ptr<FileActions> files;
    if (plan) {
        files = std::make_unique<SimulatedFileActions>(&folderSnapshots);
    } else {
        files = std::make_unique<DiskFileActions>(&folderSnapshots);
    }

    const std::string systemName = SystemName(systemIndex);
    HaveSet haveIds;
    // An inventory file that is there but cannot be read holds what earlier
    // runs found: the run leaves all three lists alone rather than write it
    // over with this run's discs only.
    const bool keepInventory = !platform::ExistsUnread(LoadHaveIds(systemName, haveIds));
    host.SetStatusText(text("State", "READ_DATABASE"));
    GameDatabase database;
    ParseDatabaseText(databaseFile.text, systemName, database);
    databaseFile = {};
    host.SetStatusText(text("State", "HAVE_LIST_READ"));
    // Only a real run that could read the earlier inventory writes the lists:
    // the others build no list lines.
    std::optional<HaveMissInventory> inventory;
    if (keepInventory && !plan) {
        inventory.emplace(systemName, database, options.listFormula, haveIds);
    }

    DiscHandlerParams params;
    params.virtualDriveToolPath = options.driveTool;
    params.driveText = options.driveText;
    params.searchArchives = true;
    params.computeChecksum = options.imageChecksum;
    params.stopRequested = &state.stopRequested;
    params.folderSnapshots = &folderSnapshots;
    // The checksums of the images are computed ahead too, when asked for,
    // and the hashes of the discs when only verified ones are renamed.
    ChecksumsAhead checksums(state.candidates.size());
    std::optional<HashesAhead> hashes;
    if (settings.verifiedOnly) {
        std::vector<bool> recorded;
        for (const std::string& candidate : state.candidates) {
            recorded.push_back(settings.verifiedOnly->Recorded(candidate, systemIndex));
        }
        hashes.emplace(settings.verifiedOnly->Dat(), state.candidates.size(), std::move(recorded));
    }
    std::vector<CandidateReadAhead::DiscWork> more;
    if (options.imageChecksum) more.push_back(checksums.Work());
    if (hashes) more.push_back(hashes->Work());
    CandidateReadAhead readAhead(
        systemIndex, params, state.candidates, settings.readAhead, std::move(more),
        hashes ? platform::ReadAhead::Kind::Sharing : platform::ReadAhead::Kind::Warming);
    std::size_t index = 0;
    bool readAheadDone = false;
    params.bootFilesAhead = readAhead.BootFilesAhead();
    params.checksumAhead = [&](const std::string& imageFile) -> std::optional<std::string> {
        if (!readAheadDone) return std::nullopt;
        return checksums.Take(index, imageFile);
    };

    FormulaSettings formula;
    formula.formula = options.formula;
    formula.fullWidthSpecial = options.fullWidthSpecial;
    formula.fullWidthDigits = options.fullWidthDigits;
    formula.fullWidthLetters = options.fullWidthLetters;
    formula.fullWidthPunctuation = options.fullWidthPunctuation;
    formula.fullWidthSpaces = options.fullWidthSpaces;

    const bool setTimes = options.setTimes;
    FolderRenameList folders(options.folder, setTimes);
    // Each rename is recorded as it is made, so a killed run leaves the
    // record of every rename it made.
    KelRenameBatch batch(RENAME_BATCH_FILE);
    const bool writeBatch = options.writeBatch && !plan;
    if (writeBatch) batch.AppendAsAdded();
    KelOutputText errorLog(ERROR_LOG_FILE);
    std::vector<std::string> errors;
    auto skip = [&](const std::string& candidate, const std::string& reason) {
        if (plan) plan->Add({PlanStep::Kind::Skip, candidate, reason});
    };
    ReportSink* const reports = settings.reports;
    auto tell = [reports](const DiscReport& disc) {
        if (reports) reports->Disc(disc);
    };

    const std::int64_t total = std::int64_t(state.candidates.size());
    std::int64_t processed = 0;
    std::int64_t renamed = 0;
    std::int64_t alreadyNamed = 0;
    std::int64_t identified = 0;
    std::int64_t inDatabase = 0;
    // Discs added to the have set that earlier runs had not found.
    std::int64_t newlyHeld = 0;
    std::optional<std::int64_t> releaseTime;
    bool stopped = false;
    bool journalFailed = false;

    for (; index < state.candidates.size(); ++index) {
        const std::string& candidate = state.candidates[index];
        if (state.stopRequested) {
            stopped = true;
            break;
        }
        readAheadDone = readAhead.Reach(index);
        // The lists stay current even when the run is stopped; they are
        // rewritten only when they would change.
        if (inventory && inventory->Changed()) inventory->Write();
        const std::unique_ptr<KelFileBase> handler =
            IdentifyCandidate(host, systemIndex, params, candidate, processed, total);
        // Stop cut the extraction of its archive short: the disc was not looked at.
        if (handler->Interrupted()) {
            stopped = true;
            break;
        }

        if (!handler->IdFound()) {
            errors.push_back(FailedToFindIdLine(candidate));
            if (!handler->ImageProblem().empty()) {
                errors.push_back(ImageProblemLine(handler->ImageProblem()));
            }
            skip(candidate, SKIP_NO_IDENTIFIER);
            if (reports) {
                tell(UnrenamedDisc(*handler, DiscReport::Result::NoIdentifier, {},
                                   handler->ImageProblem().empty() ? SKIP_NO_IDENTIFIER
                                                                   : handler->ImageProblem()));
            }
            continue;
        }
        ++identified;
        host.SetStatusText(text("State", "RENAME") + " : " + candidate);
        std::string identifier;
        const std::optional<DiscRecord> found = LookUp(*handler, database, identifier);
        if (!found) {
            errors.push_back(NotInDatabaseLine(identifier, candidate));
            skip(candidate, SKIP_NOT_IN_DATABASE);
            if (reports) {
                tell(UnrenamedDisc(*handler, DiscReport::Result::NotInDatabase, identifier,
                                   SKIP_NOT_IN_DATABASE));
            }
            continue;
        }
        ++inDatabase;

        DiscRecord record = *found;
        record[9] = SizeText(platform::FileSizeOf(handler->ImageFile()).value_or(0));
        record[10] = TypeText(ImageExtensions(handler->ImageFile(), folderSnapshots));
        const std::string newName = ExpandFormula(record, formula);
        if (setTimes) releaseTime = ParseReleaseDate(record[6]);
        if (settings.verifiedOnly) {
            const std::optional<VerifiedDisc> verified = settings.verifiedOnly->Verify(
                *handler, systemIndex, folderSnapshots,
                readAheadDone && hashes ? hashes->Take(index) : std::vector<HashedTrack>());
            if (!verified || verified->verdict.status != VerifyStatus::Verified) {
                const std::string reason =
                    std::string("not verified: ") +
                    (verified ? VerifyStatusText(verified->verdict.status) : "no image") +
                    (verified && !verified->verdict.detail.empty()
                         ? " (" + verified->verdict.detail + ")"
                         : "");
                errors.push_back(RenameFailedLine(candidate, newName, reason));
                skip(candidate, reason);
                continue;
            }
        }

        const std::string oldBasePath = handler->BasePath();
        RenameRequest request;
        request.newName = newName;
        request.setFileTime = setTimes && releaseTime.has_value();
        request.fileTime = releaseTime.value_or(0);
        request.scanFolder = options.folder;
        const DiscRename rename(*handler, request, *files, plan ? nullptr : &journal);
        if (rename.Outcome() == DiscRename::Result::JournalFailed) {
            // Without its journal entry no disc is renamed: the run ends here.
            errors.push_back(RenameFailedLine(candidate, newName, rename.Why().Reason()));
            journalFailed = true;
            break;
        }
        if (!rename.Renamed()) {
            std::string reason = rename.Why().Reason();
            if (rename.Outcome() == DiscRename::Result::HalfRenamed) {
                for (const Failure& failure : rename.RevertFailures()) {
                    reason +=
                        "; not taken back: " + failure.subject + " (" + failure.Reason() + ")";
                }
                leftOpen.push_back(candidate);
            }
            errors.push_back(RenameFailedLine(candidate, newName, reason));
            skip(candidate, SkipReason(rename.Why()));
            if (reports) {
                tell(UnrenamedDisc(*handler, DiscReport::Result::NotRenamed, identifier, reason));
            }
            continue;
        }
        if (plan) AddDiscSteps(*plan, rename);
        batch.AddRename(oldBasePath, newName);
        // The files of a set named otherwise than the disc each get a line.
        for (const PlannedMove& move : rename.Plan().moves) {
            const std::string from = WithoutExtension(move.from);
            if (rename.SheetSet() && from != oldBasePath) {
                batch.AddRename(from,
                                platform::SplitAtLastSeparator(WithoutExtension(move.to)).name);
            }
        }

        const bool wasNamed = rename.Outcome() == DiscRename::Result::AlreadyNamed;
        ++(wasNamed ? alreadyNamed : renamed);
        if (reports) {
            DiscReport disc;
            disc.path = oldBasePath;
            disc.identifier = identifier;
            disc.result = wasNamed ? DiscReport::Result::AlreadyNamed : DiscReport::Result::Renamed;
            for (const PlannedMove& move : rename.Plan().moves) {
                disc.files.push_back({move.from, move.to, {}});
            }
            for (const UnmovedFile& file : rename.UnmovedFiles()) {
                disc.files.push_back({file.move.from, file.move.from, SkipReason(file.why)});
            }
            for (const PlannedRewrite& rewrite : rename.Plan().rewrites) {
                disc.rewrites.push_back(rewrite.path);
            }
            tell(disc);
        }
        if (!haveIds.contains(identifier)) {
            haveIds.insert(identifier);
            ++newlyHeld;
        }
        if (inventory) inventory->AddHaveId(identifier);
        if (options.renameFolders) {
            folders.AddFolderEntry(rename.BasePath(), newName,
                                   setTimes ? releaseTime : std::nullopt);
        }
    }

    readAhead.Stop();

    const std::vector<FolderRenameResult> folderResults =
        folders.ExecuteFolderRenames(*files, plan ? nullptr : &journal);
    std::vector<std::string> notWritten;
    for (const FolderRenameResult& folder : folderResults) {
        if (!folder.failure && folder.oldPath == folder.newPath) continue;
        if (plan && folder.failure) skip(folder.oldPath, SkipReason(folder.failure));
        if (plan && !folder.failure) {
            plan->Add({PlanStep::Kind::Folder, folder.oldPath, folder.newPath});
        }
        DiscReport report;
        report.folder = true;
        report.path = folder.oldPath;
        report.result =
            folder.failure ? DiscReport::Result::NotRenamed : DiscReport::Result::Renamed;
        report.reason = folder.failure ? SkipReason(folder.failure) : std::string();
        report.files.push_back(
            {folder.oldPath, folder.failure ? folder.oldPath : folder.newPath, report.reason});
        tell(report);
    }
    bool listsWritten = false;
    bool logWritten = false;
    if (!plan) {
        if (!keepInventory) {
            notWritten = {HaveIdFileName(systemName), HaveListFileName(systemName),
                          MissListFileName(systemName)};
        } else if (!inventory->Finish()) {
            notWritten = inventory->UnwrittenFiles();
        } else {
            listsWritten = true;
        }
        AddErrorLogBlock(errorLog, errors);
        if (writeBatch && !batch.Write()) notWritten.push_back(RENAME_BATCH_FILE);
        if (journalFailed) notWritten.push_back(RENAME_JOURNAL_FILE);
        logWritten = errorLog.Write();
        if (!logWritten) notWritten.push_back(ERROR_LOG_FILE);
    }

    // A stopped run counts the discs it reached.
    const std::int64_t counted = stopped || journalFailed ? processed : total;
    auto count = [&text](const char* key, std::int64_t number) {
        return text("MessageBox", key) + ":" + std::to_string(number);
    };
    std::string summary =
        count("DONE_1", counted) + " " + count(plan ? "DONE_WOULD" : "DONE_2", renamed) + " ";
    if (alreadyNamed > 0) summary += count("DONE_ALREADY", alreadyNamed) + " ";
    summary += count("DONE_3", counted - renamed - alreadyNamed);
    if (journalFailed)
        summary += "\n" + text("MessageBox", "JOURNAL_NOT_WRITTEN") + " " + RENAME_JOURNAL_FILE;
    if (!leftOpen.empty()) {
        summary += "\n" + text("MessageBox", "RENAMES_LEFT_OPEN");
        for (const std::string& disc : leftOpen) summary += "\n" + disc;
    }

    // A run that found none of its discs in the database says what is the
    // likely cause, rather than leaving it to the error log.
    const bool looked = !stopped && !journalFailed;
    const bool subfoldersLeft =
        looked && !options.scanSubfolders && identified == 0 && SubfoldersHoldFiles(options.folder);
    const bool nothingMatched = looked && inDatabase == 0 && (counted > 0 || subfoldersLeft);
    if (database.records.empty()) {
        summary += "\n" + FillPlaceholders(text("MessageBox", "DATABASE_NO_SYSTEM"),
                                           {options.database, systemName});
    } else if (nothingMatched && identified > 0) {
        summary += "\n" + FillPlaceholders(text("MessageBox", "NONE_IN_DATABASE"),
                                           {std::to_string(identified)});
    } else if (nothingMatched && counted > 0) {
        summary += "\n" + FillPlaceholders(text("MessageBox", "NONE_IDENTIFIED"),
                                           {std::to_string(counted), systemName});
    }
    if (subfoldersLeft) summary += "\n" + text("MessageBox", "SUBFOLDERS_NOT_SCANNED");

    RunSummary report;
    report.discs = counted;
    report.done = renamed;
    report.alreadyNamed = alreadyNamed;
    report.found = inDatabase;
    report.errorLines = plan ? 0 : std::int64_t(errors.size());
    if (logWritten && !errors.empty()) {
        report.errorLog = platform::JoinPath(host.StartDirectory().Directory(), ERROR_LOG_FILE);
        summary += "\n" + text("MessageBox", "ERROR_LOG_LINES") + " " + report.errorLog;
    }
    if (listsWritten && newlyHeld > 0) {
        std::string lists;
        for (const std::string& list :
             {HaveListFileName(systemName), MissListFileName(systemName)}) {
            report.listsUpdated.push_back(
                platform::JoinPath(host.StartDirectory().Directory(), list));
            lists += (lists.empty() ? " " : ", ") + report.listsUpdated.back();
        }
        summary += "\n" + text("MessageBox", "LISTS_UPDATED") + lists;
    }
    RunOutcome outcome = EndRun(host, text("MessageBox", stopped ? "STOPPED" : "DONE_4") + "  ",
                                summary, stopped, notWritten, reports, std::move(report));
    if (outcome == RunOutcome::Completed && !leftOpen.empty()) {
        outcome = RunOutcome::CompletedWithWriteFailures;
    }
    if (outcome == RunOutcome::Completed && nothingMatched) outcome = RunOutcome::NothingMatched;
    return outcome;
}
