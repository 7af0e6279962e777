#include "rename/RenameUndo.h"

#include <algorithm>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "platform/FileOps.h"
#include "platform/PathText.h"
#include "rename/FileActions.h"
#include "rename/JournalRecovery.h"
#include "rename/RenameJournal.h"
#include "rename/RenameTransaction.h"
#include "rename/Rewrites.h"
#include "rename/RunLocks.h"

namespace {

constexpr const char* OLD_NAME_TAKEN = "old name taken";
constexpr const char* GONE = "gone";
constexpr const char* RENAMED_LATER = "renamed again by a later run";

// Where a move of the run stands now.
enum class MoveState { Made, Back, NameTaken, Gone };

// The path after the folder renames of `folders`, in their order.
std::string ThroughFolders(std::string path, const std::vector<PlannedMove>& folders) {
    for (const PlannedMove& folder : folders) {
        if (const auto rest = platform::PathBelow(path, folder.from)) path = folder.to + *rest;
    }
    return path;
}

std::vector<PlannedMove> FolderMoves(const JournalRun& run) {
    std::vector<PlannedMove> folders;
    for (const JournalEntry& entry : run.entries) {
        if (entry.kind != JournalEntry::Kind::Folder || entry.state != JournalEntry::State::Done) {
            continue;
        }
        folders.insert(folders.end(), entry.plan.moves.begin(), entry.plan.moves.end());
    }
    return folders;
}

// The paths the runs after `run` renamed and still stand renamed: a file of
// the run found there now may be another one.
std::set<std::string> PathsOfLaterRuns(const JournalContents& journal, const JournalRun& run) {
    std::set<std::string> paths;
    bool later = false;
    for (const JournalRun& each : journal.runs) {
        if (&each == &run) {
            later = true;
            continue;
        }
        if (!later || each.undone) continue;
        for (const JournalEntry& entry : each.entries) {
            if (entry.kind == JournalEntry::Kind::TakeBack ||
                entry.state != JournalEntry::State::Done) {
                continue;
            }
            for (const PlannedMove& move : entry.plan.moves) {
                if (move.from == move.to) continue;
                paths.insert(move.from);
                paths.insert(move.to);
            }
        }
    }
    return paths;
}

// One run taken back, step by step.
class RunTakeBack {
public:
    RunTakeBack(const JournalContents& journal, const JournalRun& run, FileActions& files,
                RenameJournal* writer, PlanSink& plan, ReportSink* reports, UndoReport& report)
        : run(run),
          runFolders(FolderMoves(run)),
          laterPaths(PathsOfLaterRuns(journal, run)),
          files(files),
          writer(writer),
          plan(plan),
          reports(reports),
          report(report) {}

    // The folders back, newest first; the ones that cannot go back stay.
    void Folders();
    // One disc back, or left as it is; true when nothing of it stays renamed.
    bool Disc(const JournalEntry& disc);

private:
    // Where a path of the run's discs stands: below the folders that stay.
    std::string Current(const std::string& path) const { return ThroughFolders(path, staying); }
    // Whether a later run renamed the path, or a path at or below it.
    bool RenamedLater(const std::string& path, bool withContents) const;
    MoveState StateOf(const std::string& from, const std::string& to) const;
    void Skip(const std::string& path, const std::string& reason);
    // Tells the reports what became of a disc or folder: taken back with the
    // moves of `back`, or (none) left as it is for the first skip's reason.
    void Tell(bool folder, const std::string& path, const RenamePlan* back,
              const std::vector<std::string>& staying = {});
    // Takes back one entry of the run with the plan given, journalled;
    // false (having told why) when it stays as it is.
    bool TakeBack(const JournalEntry& entry, RenamePlan back, const std::string& subject);

    const JournalRun& run;
    const std::vector<PlannedMove> runFolders;  // the run's folder renames, in order
    const std::set<std::string> laterPaths;
    FileActions& files;
    RenameJournal* writer;  // null in a dry run
    PlanSink& plan;
    ReportSink* reports;
    UndoReport& report;
    // Why the disc or folder in hand stays, when it does.
    std::string firstSkip;
    std::vector<PlannedMove> staying;  // folder renames that stay, in the run's order
};

bool RunTakeBack::RenamedLater(const std::string& path, bool withContents) const {
    if (laterPaths.contains(path)) return true;
    return withContents &&
           std::any_of(laterPaths.begin(), laterPaths.end(), [&](const std::string& later) {
               return platform::PathBelow(later, path).has_value();
           });
}

MoveState RunTakeBack::StateOf(const std::string& from, const std::string& to) const {
    const bool atNewName = files.Exists(to);
    const bool atOldName = files.Exists(from);
    if (atNewName && !atOldName) return MoveState::Made;
    if (!atNewName && atOldName) return MoveState::Back;
    return atOldName ? MoveState::NameTaken : MoveState::Gone;
}

void RunTakeBack::Skip(const std::string& path, const std::string& reason) {
    plan.Add({PlanStep::Kind::Skip, path, reason});
    ++report.skipped;
    if (firstSkip.empty()) firstSkip = reason;
}

void RunTakeBack::Tell(bool folder, const std::string& path, const RenamePlan* back,
                       const std::vector<std::string>& staying) {
    if (reports == nullptr) return;
    DiscReport disc;
    disc.folder = folder;
    disc.path = path;
    disc.result = back ? DiscReport::Result::TakenBack : DiscReport::Result::NotTakenBack;
    if (back) {
        for (const PlannedMove& move : back->moves) disc.files.push_back({move.from, move.to, {}});
        for (const PlannedRewrite& rewrite : back->rewrites) disc.rewrites.push_back(rewrite.path);
    } else {
        disc.reason = firstSkip;
        for (const std::string& file : staying) disc.files.push_back({file, file, firstSkip});
    }
    reports->Disc(disc);
    firstSkip.clear();
}

bool RunTakeBack::TakeBack(const JournalEntry& entry, RenamePlan back, const std::string& subject) {
    JournalEntry takeBack;
    takeBack.kind = JournalEntry::Kind::TakeBack;
    takeBack.takesBack = entry.number;
    takeBack.subject = entry.subject;
    takeBack.plan = back;
    if (writer) {
        Failure written = writer->Write(takeBack);
        if (written) {
            Skip(subject, written.Reason());
            if (!report.journalFailure) report.journalFailure = std::move(written);
            return false;
        }
    }
    RenameTransaction transaction(files, back);
    const Failure failure = transaction.Apply();
    if (failure) {
        const bool whole = transaction.RevertFailures().empty();
        if (!whole) ++report.leftOpen;
        if (writer && whole) {
            Failure marked = writer->Mark(takeBack, JournalEntry::State::Undone);
            if (marked && !report.journalFailure) report.journalFailure = std::move(marked);
        }
        Skip(failure.subject.empty() ? subject : failure.subject, failure.Reason());
        return false;
    }
    if (writer) {
        Failure marked = writer->Mark(takeBack, JournalEntry::State::Done);
        if (marked && !report.journalFailure) report.journalFailure = std::move(marked);
    }
    return true;
}

void RunTakeBack::Folders() {
    for (auto entry = run.entries.rbegin(); entry != run.entries.rend(); ++entry) {
        if (entry->kind != JournalEntry::Kind::Folder ||
            entry->state != JournalEntry::State::Done || entry->plan.moves.empty()) {
            continue;
        }
        const PlannedMove& folder = entry->plan.moves.front();
        if (folder.from == folder.to) continue;
        const std::string from = Current(folder.from);
        const std::string to = Current(folder.to);
        const MoveState state = StateOf(from, to);
        if (state == MoveState::Back) continue;
        if (RenamedLater(folder.to, true) || RenamedLater(folder.from, true)) {
            Skip(to, RENAMED_LATER);
        } else if (state != MoveState::Made) {
            Skip(to, state == MoveState::NameTaken ? OLD_NAME_TAKEN : GONE);
        } else {
            RenamePlan back;
            back.moves.push_back({to, from});
            if (TakeBack(*entry, back, to)) {
                plan.Add({PlanStep::Kind::Folder, to, from});
                ++report.folders;
                Tell(true, to, &back);
                continue;
            }
        }
        Tell(true, to, nullptr, {to});
        // The discs inside are found below the name it keeps.
        staying.insert(staying.begin(), folder);
    }
}

bool RunTakeBack::Disc(const JournalEntry& disc) {
    RenamePlan back;
    back.rewritesFirst = true;
    // The files that cannot go back, where they stand, and why.
    std::vector<std::pair<std::string, const char*>> blocked;
    for (auto move = disc.plan.moves.rbegin(); move != disc.plan.moves.rend(); ++move) {
        if (move->from == move->to) continue;
        const PlannedMove step{Current(move->to), Current(move->from)};
        const MoveState state = StateOf(step.to, step.from);
        if (state != MoveState::Back &&
            (RenamedLater(ThroughFolders(move->to, runFolders), false) ||
             RenamedLater(ThroughFolders(move->from, runFolders), false))) {
            blocked.emplace_back(step.from, RENAMED_LATER);
        } else if (state == MoveState::Made) {
            back.moves.push_back(step);
        } else if (state != MoveState::Back) {
            blocked.emplace_back(step.from, state == MoveState::NameTaken ? OLD_NAME_TAKEN : GONE);
        }
    }
    // A disc half taken back would match neither its old sheet nor its new
    // one: it goes back whole or stays.
    if (!blocked.empty()) {
        std::reverse(blocked.begin(), blocked.end());
        std::vector<std::string> staying;
        for (const auto& [path, reason] : blocked) {
            Skip(path, reason);
            staying.push_back(path);
        }
        Tell(false, disc.subject, nullptr, staying);
        return false;
    }

    // The sheet and playlists first, where they stand renamed.
    bool complete = true;
    const RenamePlan reversed = disc.plan.Reversed();
    for (PlannedRewrite rewrite : reversed.rewrites) {
        rewrite.path = Current(rewrite.path);
        if (!files.Exists(rewrite.path)) {
            // A playlist deleted since: nothing to give its lines back to.
            Skip(rewrite.path, GONE);
            complete = false;
            continue;
        }
        back.rewrites.push_back(std::move(rewrite));
    }
    // Rewrites of an old journal, made exact on the text the files hold now.
    for (NamedRewrite named : reversed.namedRewrites) {
        named.path = Current(named.path);
        const platform::SmallFile text = files.Read(named.path);
        if (!text.IsRead()) {
            Skip(named.path, GONE);
            complete = false;
            continue;
        }
        PlannedRewrite rewrite = RewriteOfNames(named, named.reverse, text.text);
        if (!rewrite.edits.empty()) back.rewrites.push_back(std::move(rewrite));
    }
    if (back.moves.empty() && back.rewrites.empty()) {
        firstSkip.clear();
        return complete;
    }
    if (!TakeBack(disc, back, disc.subject)) {
        std::vector<std::string> staying;
        for (const PlannedMove& step : back.moves) staying.push_back(step.from);
        Tell(false, disc.subject, nullptr, staying);
        return false;
    }
    for (const PlannedRewrite& rewrite : back.rewrites) {
        plan.Add({PlanStep::Kind::Rewrite, rewrite.path, {}});
    }
    for (const PlannedMove& step : back.moves)
        plan.Add({PlanStep::Kind::Rename, step.from, step.to});
    report.rewrites += std::int64_t(back.rewrites.size());
    report.files += std::int64_t(back.moves.size());
    Tell(false, disc.subject, &back);
    return complete;
}

}  // namespace

namespace {

// The run `countBack` runs back among those that changed something.
const JournalRun* RunCountingBack(const JournalContents& journal, std::int64_t countBack) {
    const std::vector<const JournalRun*> runs = journal.RealRuns();
    if (countBack < 1 || countBack > std::int64_t(runs.size())) return nullptr;
    return runs[runs.size() - std::size_t(countBack)];
}

}  // namespace

UndoReport UndoRenameRun(const UndoRequest& request, PlanSink& plan) {
    UndoReport report;
    report.journalFound = platform::KindOf(request.journal) != platform::PathKind::Missing;
    JournalContents journal = ReadJournal(request.journal);
    const JournalRun* target = RunCountingBack(journal, request.countBack);
    RunLocks locks(request.journal, target ? target->folder : std::string());
    if (locks.Busy()) {
        report.result = UndoReport::Result::AnotherRun;
        return report;
    }
    const std::unique_ptr<FileActions> files =
        request.dryRun ? std::unique_ptr<FileActions>(std::make_unique<SimulatedFileActions>())
                       : std::make_unique<DiskFileActions>();
    // What a killed run or undo left half done is finished first.
    if (!request.dryRun) {
        JournalRecovery recovery =
            FinishOpenEntries(request.journal, *files, locks.JournalFileLock());
        for (const FinishedEntry& entry : recovery.entries) {
            if (entry.finished == RenameTransaction::Finished::LeftOpen) ++report.leftOpen;
        }
        if (recovery.journalFailure) report.journalFailure = std::move(recovery.journalFailure);
        if (!recovery.entries.empty()) {
            journal = ReadJournal(request.journal);
            target = RunCountingBack(journal, request.countBack);
        }
    }

    report.runsKept = std::int64_t(journal.RealRuns().size());
    if (report.runsKept == 0) {
        report.result = UndoReport::Result::NoJournal;
        return report;
    }
    if (target == nullptr) {
        report.result = UndoReport::Result::NoSuchRun;
        return report;
    }
    const JournalRun& run = *target;
    report.run = run.number;
    report.started = run.started;
    report.folder = run.folder;
    if (run.undone) {
        report.result = UndoReport::Result::AlreadyTakenBack;
        return report;
    }

    std::unique_ptr<RenameJournal> writer;
    if (!request.dryRun) {
        writer = std::make_unique<RenameJournal>(request.journal, locks.JournalFileLock());
        writer->ContinueRun(run);
    }
    RunTakeBack takeBack(journal, run, *files, writer.get(), plan, request.reports, report);
    takeBack.Folders();
    bool whole = report.skipped == 0;
    for (auto entry = run.entries.rbegin(); entry != run.entries.rend(); ++entry) {
        if (entry->kind != JournalEntry::Kind::Disc || entry->state != JournalEntry::State::Done) {
            continue;
        }
        if (request.stopRequested && *request.stopRequested) {
            report.stopped = true;
            whole = false;
            break;
        }
        if (!takeBack.Disc(*entry)) whole = false;
    }
    if (whole && writer) {
        Failure marked = writer->MarkRunUndone(run.number);
        if (marked && !report.journalFailure) report.journalFailure = std::move(marked);
    }
    report.result = whole ? UndoReport::Result::TakenBack : UndoReport::Result::PartlyTakenBack;
    return report;
}
