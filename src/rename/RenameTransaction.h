#pragma once

#include <string>
#include <vector>

#include "core/Failure.h"
#include "rename/RenamePlan.h"

class FileActions;

// The one way the program changes a user's files: a plan's steps made in
// order on a disk (or a simulation of one), each checked, and taken back,
// last first, when one of them cannot be made, so that a disc ends either
// renamed whole or as it was. A disc rename, taking one back, a folder
// rename, and finishing what a killed run left half done all go through it.
class RenameTransaction {
public:
    RenameTransaction(FileActions& files, RenamePlan plan);

    // Makes every step. When one cannot be made, the steps made are taken
    // back and its failure returned; a step that cannot be taken back either
    // is in RevertFailures, and the disc is then half renamed: its journal
    // entry must stay open so that the next run finishes it.
    [[nodiscard]] Failure Apply();

    // For a plan found half made (a run was killed in the middle): makes the
    // steps not made yet when every one of them can still be made, else takes
    // back the steps made. Which of the two happened, or LeftOpen when a step
    // could be neither made nor taken back (RevertFailures says why).
    enum class Finished { Completed, TakenBack, LeftOpen };
    Finished Finish();

    const std::vector<Failure>& RevertFailures() const { return revertFailures; }

private:
    struct Step {
        enum class Kind { Move, Rewrite, NamedRewrite } kind;
        std::size_t index;
    };
    enum class StepState { NotMade, Made, Blocked };

    Failure Make(const Step& step);
    // An old journal's rewrite, made exact on the text the file holds now.
    Failure MakeNamedRewrite(const NamedRewrite& named, bool reverse);
    Failure TakeBack(const Step& step);
    StepState StateOf(const Step& step) const;
    // Where a rewritten file stands now: a plan that gives a sheet back and
    // then moves it (taking a rename back) may have made the move already.
    std::string WhereNow(const Step& rewrite) const;
    // Takes back the steps of `made`, last first; false when one failed.
    bool TakeBackAll(const std::vector<Step>& made);

    FileActions& files;
    RenamePlan plan;
    std::vector<Step> steps;
    std::vector<Failure> revertFailures;
};
