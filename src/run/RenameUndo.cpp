#include "run/RenameUndo.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "platform/FileOps.h"
#include "platform/PathText.h"
#include "rename/DiscRename.h"
#include "rename/RenameJournal.h"
#include "rename/SimulatedMoves.h"

namespace {

constexpr const char* OLD_NAME_TAKEN = "old name taken";
constexpr const char* GONE = "gone";
constexpr const char* RENAMED_LATER = "renamed again by a later run";
constexpr const char* CANNOT_WRITE = "cannot write";

// Where a move of the run stands now.
enum class MoveState { Made, Back, NameTaken, Gone };

// The path after the folder renames of `folders`, in their order.
std::string ThroughFolders(std::string path, const std::vector<PlannedMove>& folders) {
    for (const PlannedMove& folder : folders) {
        if (const auto rest = platform::PathBelow(path, folder.from)) path = folder.to + *rest;
    }
    return path;
}

// The paths the runs after `run` renamed and still stand renamed: a file of
// the run found there now may be another one.
std::set<std::string> PathsOfLaterRuns(const std::vector<JournalRun>& runs, std::size_t run) {
    std::set<std::string> paths;
    for (std::size_t later = run + 1; later < runs.size(); ++later) {
        if (runs[later].undone) continue;
        for (const JournalDisc& disc : runs[later].discs) {
            if (disc.state == JournalDisc::State::Undone) continue;
            for (const PlannedMove& move : disc.plan.moves) {
                if (move.from == move.to) continue;
                paths.insert(move.from);
                paths.insert(move.to);
            }
        }
        for (const PlannedMove& folder : runs[later].folders) {
            if (folder.from == folder.to) continue;
            paths.insert(folder.from);
            paths.insert(folder.to);
        }
    }
    return paths;
}

// One run taken back, step by step.
class RunTakeBack {
public:
    RunTakeBack(const UndoRequest& request, const JournalRun& run, std::set<std::string> laterPaths,
                PlanSink& plan, UndoReport& report)
        : request(request),
          run(run),
          laterPaths(std::move(laterPaths)),
          plan(plan),
          report(report) {}

    // The folders back, newest first; the ones that cannot go back stay.
    void Folders();
    // One disc back, or left as it is; true when nothing of it stays renamed.
    bool Disc(const JournalDisc& disc);

private:
    // Where a path of the run's discs stands: below the folders that stay.
    std::string Current(const std::string& path) const { return ThroughFolders(path, staying); }
    // Whether a later run renamed the path, or a path at or below it.
    bool RenamedLater(const std::string& path, bool withContents) const;
    MoveState StateOf(const std::string& from, const std::string& to) const;
    // Makes a move (in a dry run, decides it); 0 or the errno it met.
    int Move(const std::string& from, const std::string& to);
    RewriteResult Rewrite(const PlannedRewrite& rewrite, bool reverse) const;
    void Skip(const std::string& path, const std::string& reason);
    // Renames again what a disc that cannot go back whole had taken back.
    void Restore(const std::vector<PlannedRewrite>& rewrites,
                 const std::vector<std::size_t>& rewritten,
                 const std::vector<PlannedMove>& movedBack) const;

    const UndoRequest& request;
    const JournalRun& run;
    const std::set<std::string> laterPaths;
    PlanSink& plan;
    UndoReport& report;
    SimulatedMoves simulated;          // a dry run's moves
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
    const bool atNewName = simulated.Exists(to);
    const bool atOldName = simulated.Exists(from);
    if (atNewName && !atOldName) return MoveState::Made;
    if (!atNewName && atOldName) return MoveState::Back;
    return atOldName ? MoveState::NameTaken : MoveState::Gone;
}

int RunTakeBack::Move(const std::string& from, const std::string& to) {
    if (request.dryRun) {
        simulated.Move(from, to);
        return 0;
    }
    return platform::MovePath(from, to) ? 0 : (errno != 0 ? errno : ENOENT);
}

RewriteResult RunTakeBack::Rewrite(const PlannedRewrite& rewrite, bool reverse) const {
    if (!request.dryRun) return ApplyRewrite(rewrite, reverse);
    const std::optional<std::string> onDisk = simulated.OnDisk(rewrite.path);
    return onDisk ? PreviewRewrite(rewrite, reverse, *onDisk) : RewriteResult::Failed;
}

void RunTakeBack::Skip(const std::string& path, const std::string& reason) {
    plan.Add({PlanStep::Kind::Skip, path, reason});
    ++report.skipped;
}

void RunTakeBack::Folders() {
    for (auto folder = run.folders.rbegin(); folder != run.folders.rend(); ++folder) {
        if (folder->from == folder->to) continue;
        const std::string from = Current(folder->from);
        const std::string to = Current(folder->to);
        const MoveState state = StateOf(from, to);
        if (state == MoveState::Back) continue;
        int error = 0;
        if (RenamedLater(folder->to, true) || RenamedLater(folder->from, true)) {
            Skip(to, RENAMED_LATER);
        } else if (state != MoveState::Made) {
            Skip(to, state == MoveState::NameTaken ? OLD_NAME_TAKEN : GONE);
        } else if ((error = Move(to, from)) != 0) {
            Skip(to, MoveFailureText(error));
        } else {
            plan.Add({PlanStep::Kind::Folder, to, from});
            ++report.folders;
            continue;
        }
        // The discs inside are found below the name it keeps.
        staying.insert(staying.begin(), *folder);
    }
}

void RunTakeBack::Restore(const std::vector<PlannedRewrite>& rewrites,
                          const std::vector<std::size_t>& rewritten,
                          const std::vector<PlannedMove>& movedBack) const {
    if (request.dryRun) return;
    for (auto back = movedBack.rbegin(); back != movedBack.rend(); ++back) {
        platform::MovePath(back->from, back->to);
    }
    for (auto done = rewritten.rbegin(); done != rewritten.rend(); ++done) {
        ApplyRewrite(rewrites[*done], false);
    }
}

bool RunTakeBack::Disc(const JournalDisc& disc) {
    std::vector<PlannedMove> moves;
    // The files that cannot go back, where they stand, and why.
    std::vector<std::pair<std::string, const char*>> blocked;
    for (const PlannedMove& move : disc.plan.moves) {
        if (move.from == move.to) continue;
        const PlannedMove step{Current(move.from), Current(move.to)};
        const MoveState state = StateOf(step.from, step.to);
        const std::string atRunEnd = ThroughFolders(move.to, run.folders);
        if (state != MoveState::Back &&
            (RenamedLater(atRunEnd, false) ||
             RenamedLater(ThroughFolders(move.from, run.folders), false))) {
            blocked.emplace_back(step.to, RENAMED_LATER);
        } else if (state == MoveState::Made) {
            moves.push_back(step);
        } else if (state != MoveState::Back) {
            blocked.emplace_back(step.to, state == MoveState::NameTaken ? OLD_NAME_TAKEN : GONE);
        }
    }
    // A disc half taken back would match neither its old sheet nor its new
    // one: it goes back whole or stays.
    if (!blocked.empty()) {
        for (const auto& [path, reason] : blocked) Skip(path, reason);
        return false;
    }

    // The sheet and playlists first, where they stand renamed.
    std::vector<PlannedRewrite> rewrites = disc.plan.rewrites;
    for (PlannedRewrite& rewrite : rewrites) rewrite.path = Current(rewrite.path);
    std::vector<std::size_t> rewritten;
    bool complete = true;
    for (std::size_t i = 0; i < rewrites.size(); ++i) {
        if (!simulated.Exists(rewrites[i].path)) {
            // A playlist deleted since: nothing to give its lines back to.
            Skip(rewrites[i].path, GONE);
            complete = false;
            continue;
        }
        const RewriteResult result = Rewrite(rewrites[i], true);
        if (result == RewriteResult::Rewritten) rewritten.push_back(i);
        if (result != RewriteResult::Failed) continue;
        Restore(rewrites, rewritten, {});
        Skip(rewrites[i].path, CANNOT_WRITE);
        return false;
    }

    // The files, last move first.
    std::vector<PlannedMove> movedBack;
    for (auto step = moves.rbegin(); step != moves.rend(); ++step) {
        const int error = Move(step->to, step->from);
        if (error == 0) {
            movedBack.push_back(*step);
            continue;
        }
        // Something took a name meanwhile: the disc stays renamed, whole.
        Restore(rewrites, rewritten, movedBack);
        Skip(step->to, MoveFailureText(error));
        return false;
    }
    for (const std::size_t i : rewritten) plan.Add({PlanStep::Kind::Rewrite, rewrites[i].path, {}});
    for (const PlannedMove& step : movedBack)
        plan.Add({PlanStep::Kind::Rename, step.to, step.from});
    report.rewrites += std::int64_t(rewritten.size());
    report.files += std::int64_t(movedBack.size());
    if (!request.dryRun && !MarkDiscUndone(request.journal, run.number, disc.number)) {
        report.journalWritten = false;
    }
    return complete;
}

}  // namespace

UndoReport UndoRenameRun(const UndoRequest& request, PlanSink& plan) {
    UndoReport report;
    report.journalFound = platform::KindOf(request.journal) != platform::PathKind::Missing;
    const std::vector<JournalRun> runs = ReadJournal(request.journal);
    report.runsKept = std::int64_t(runs.size());
    if (runs.empty()) {
        report.result = UndoReport::Result::NoJournal;
        return report;
    }
    if (request.countBack < 1 || request.countBack > report.runsKept) {
        report.result = UndoReport::Result::NoSuchRun;
        return report;
    }
    const std::size_t index = runs.size() - std::size_t(request.countBack);
    const JournalRun& run = runs[index];
    report.run = run.number;
    report.started = run.started;
    report.folder = run.folder;
    if (run.undone) {
        report.result = UndoReport::Result::AlreadyTakenBack;
        return report;
    }

    RunTakeBack takeBack(request, run, PathsOfLaterRuns(runs, index), plan, report);
    takeBack.Folders();
    bool whole = report.skipped == 0;
    for (auto disc = run.discs.rbegin(); disc != run.discs.rend(); ++disc) {
        if (disc->state == JournalDisc::State::Undone) continue;
        if (request.stopRequested && *request.stopRequested) {
            report.stopped = true;
            whole = false;
            break;
        }
        if (!takeBack.Disc(*disc)) whole = false;
    }
    if (whole && !request.dryRun && !MarkRunUndone(request.journal, run.number)) {
        report.journalWritten = false;
    }
    report.result = whole ? UndoReport::Result::TakenBack : UndoReport::Result::PartlyTakenBack;
    return report;
}
