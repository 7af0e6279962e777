#include "rename/RenamePlan.h"

#include <algorithm>

PlannedRewrite PlannedRewrite::Reversed() const {
    return {kind, path, after, before, platform::ReversedEdits(edits)};
}

bool RenamePlan::ChangesNothing() const {
    return std::all_of(moves.begin(), moves.end(),
                       [](const PlannedMove& move) { return move.from == move.to; }) &&
           rewrites.empty() && namedRewrites.empty();
}

RenamePlan RenamePlan::Reversed() const {
    RenamePlan reversed;
    reversed.rewritesFirst = !rewritesFirst;
    for (auto rewrite = rewrites.rbegin(); rewrite != rewrites.rend(); ++rewrite) {
        reversed.rewrites.push_back(rewrite->Reversed());
    }
    for (auto named = namedRewrites.rbegin(); named != namedRewrites.rend(); ++named) {
        reversed.namedRewrites.push_back(*named);
        reversed.namedRewrites.back().reverse = !named->reverse;
    }
    for (auto move = moves.rbegin(); move != moves.rend(); ++move) {
        reversed.moves.push_back(move->Reversed());
    }
    return reversed;
}
