#include "rename/RenameTransaction.h"

#include "platform/PathText.h"
#include "rename/FileActions.h"
#include "rename/Rewrites.h"

RenameTransaction::RenameTransaction(FileActions& files, RenamePlan plan)
    : files(files), plan(std::move(plan)) {
    std::vector<Step> moves;
    std::vector<Step> rewrites;
    for (std::size_t i = 0; i < this->plan.moves.size(); ++i)
        moves.push_back({Step::Kind::Move, i});
    for (std::size_t i = 0; i < this->plan.rewrites.size(); ++i) {
        rewrites.push_back({Step::Kind::Rewrite, i});
    }
    for (std::size_t i = 0; i < this->plan.namedRewrites.size(); ++i) {
        rewrites.push_back({Step::Kind::NamedRewrite, i});
    }
    const std::vector<Step>& first = this->plan.rewritesFirst ? rewrites : moves;
    const std::vector<Step>& second = this->plan.rewritesFirst ? moves : rewrites;
    steps = first;
    steps.insert(steps.end(), second.begin(), second.end());
}

Failure RenameTransaction::MakeNamedRewrite(const NamedRewrite& named, bool reverse) {
    const platform::SmallFile text = files.Read(named.path);
    if (!text.IsRead()) return {FailureKind::CannotRead, named.path, {}};
    const PlannedRewrite rewrite = RewriteOfNames(named, reverse, text.text);
    return rewrite.edits.empty() ? Succeeded() : MakeRewrite(files, rewrite);
}

Failure RenameTransaction::Make(const Step& step) {
    switch (step.kind) {
        case Step::Kind::Move: {
            const PlannedMove& move = plan.moves[step.index];
            if (move.from == move.to) return Succeeded();
            return files.Move(move.from, move.to);
        }
        case Step::Kind::Rewrite:
            return MakeRewrite(files, plan.rewrites[step.index]);
        case Step::Kind::NamedRewrite: {
            const NamedRewrite& named = plan.namedRewrites[step.index];
            return MakeNamedRewrite(named, named.reverse);
        }
    }
    return Succeeded();
}

Failure RenameTransaction::TakeBack(const Step& step) {
    switch (step.kind) {
        case Step::Kind::Move: {
            const PlannedMove& move = plan.moves[step.index];
            if (move.from == move.to) return Succeeded();
            return files.Move(move.to, move.from);
        }
        case Step::Kind::Rewrite:
            return MakeRewrite(files, plan.rewrites[step.index].Reversed());
        case Step::Kind::NamedRewrite: {
            const NamedRewrite& named = plan.namedRewrites[step.index];
            return MakeNamedRewrite(named, !named.reverse);
        }
    }
    return Succeeded();
}

std::string RenameTransaction::WhereNow(const Step& rewrite) const {
    std::string path = plan.rewrites[rewrite.index].path;
    bool after = false;
    for (const Step& step : steps) {
        if (step.kind == rewrite.kind && step.index == rewrite.index) after = true;
        if (!after || step.kind != Step::Kind::Move) continue;
        const PlannedMove& move = plan.moves[step.index];
        const std::optional<std::string> rest = platform::PathBelow(path, move.from);
        if (rest && move.from != move.to && files.Exists(move.to) && !files.Exists(move.from)) {
            path = move.to + *rest;
        }
    }
    return path;
}

RenameTransaction::StepState RenameTransaction::StateOf(const Step& step) const {
    switch (step.kind) {
        case Step::Kind::Move: {
            const PlannedMove& move = plan.moves[step.index];
            if (move.from == move.to) return StepState::Made;
            const bool atNew = files.Exists(move.to);
            const bool atOld = files.Exists(move.from);
            if (atNew && !atOld) return StepState::Made;
            return atOld && !atNew ? StepState::NotMade : StepState::Blocked;
        }
        case Step::Kind::Rewrite: {
            PlannedRewrite rewrite = plan.rewrites[step.index];
            rewrite.path = WhereNow(step);
            // A file that is not there yet stands where a move not made
            // leaves it: its rewrite is not made either.
            if (!files.Exists(rewrite.path)) return StepState::NotMade;
            switch (StateOfRewrite(files, rewrite)) {
                case RewriteState::Before:
                    return StepState::NotMade;
                case RewriteState::After:
                    return StepState::Made;
                case RewriteState::Other:
                case RewriteState::Unreadable:
                    return StepState::Blocked;
            }
            return StepState::Blocked;
        }
        case Step::Kind::NamedRewrite: {
            const NamedRewrite& named = plan.namedRewrites[step.index];
            const platform::SmallFile text = files.Read(named.path);
            if (!text.IsRead()) return StepState::NotMade;
            return RewriteOfNames(named, named.reverse, text.text).edits.empty()
                       ? StepState::Made
                       : StepState::NotMade;
        }
    }
    return StepState::Blocked;
}

bool RenameTransaction::TakeBackAll(const std::vector<Step>& made) {
    bool whole = true;
    for (auto step = made.rbegin(); step != made.rend(); ++step) {
        Failure failure = TakeBack(*step);
        if (!failure) continue;
        revertFailures.push_back(std::move(failure));
        whole = false;
    }
    return whole;
}

Failure RenameTransaction::Apply() {
    revertFailures.clear();
    std::vector<Step> made;
    for (const Step& step : steps) {
        Failure failure = Make(step);
        if (failure) {
            TakeBackAll(made);
            return failure;
        }
        made.push_back(step);
    }
    return Succeeded();
}

RenameTransaction::Finished RenameTransaction::Finish() {
    revertFailures.clear();
    std::vector<Step> made;
    std::vector<Step> notMade;
    bool blocked = false;
    for (const Step& step : steps) {
        const StepState state = StateOf(step);
        if (state == StepState::Made) made.push_back(step);
        if (state == StepState::NotMade) notMade.push_back(step);
        if (state == StepState::Blocked) blocked = true;
    }
    if (!blocked) {
        bool completed = true;
        for (const Step& step : notMade) {
            if (Make(step)) {
                completed = false;
                break;
            }
            made.push_back(step);
        }
        if (completed) return Finished::Completed;
    }
    return TakeBackAll(made) ? Finished::TakenBack : Finished::LeftOpen;
}
