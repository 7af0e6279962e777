#include "rename/RenamePlan.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "image/CueSheetText.h"
#include "platform/AsciiCase.h"
#include "platform/FileOps.h"
#include "platform/PathText.h"
#include "platform/ReadOnlyFile.h"
#include "platform/TextLines.h"

namespace {

// The playlist with each line that `renamed` holds replaced, line ends kept.
std::string ReplacePlaylistLines(std::string_view text,
                                 const std::map<std::string, std::string>& renamed) {
    std::string rewritten;
    rewritten.reserve(text.size());
    std::size_t copied = 0;
    platform::LineReader lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        const auto found = renamed.find(std::string(line));
        if (found == renamed.end()) continue;
        const std::size_t begin = std::size_t(line.data() - text.data());
        rewritten.append(text, copied, begin - copied);
        rewritten += found->second;
        copied = begin + line.size();
    }
    rewritten.append(text, copied);
    return rewritten;
}

// The file's text before and after the rewrite; nothing when it cannot be read.
std::optional<std::pair<std::string, std::string>> RewrittenText(const PlannedRewrite& rewrite,
                                                                 bool reverse,
                                                                 const std::string& readPath) {
    platform::SmallFile file = platform::ReadSmallFile(readPath, MAX_REFERENCING_FILE);
    if (!file.IsRead()) return std::nullopt;
    std::map<std::string, std::string> renamed;
    std::set<std::string> bare;
    for (const auto& [from, to] : rewrite.renamed) {
        if (reverse) {
            renamed.emplace(to, from);
            if (rewrite.bare.contains(from)) bare.insert(from);
        } else {
            renamed.emplace(from, to);
        }
    }
    std::string rewritten = rewrite.kind == ReferenceKind::CueSheet
                                ? ReplaceCueFileNames(file.text, renamed, bare)
                                : ReplacePlaylistLines(file.text, renamed);
    return std::make_pair(std::move(file.text), std::move(rewritten));
}

}  // namespace

RewriteResult ApplyRewrite(const PlannedRewrite& rewrite, bool reverse) {
    const auto text = RewrittenText(rewrite, reverse, rewrite.path);
    if (!text) return RewriteResult::Failed;
    if (text->first == text->second) return RewriteResult::Unchanged;
    return platform::ReplaceFileContent(rewrite.path, text->second) ? RewriteResult::Rewritten
                                                                    : RewriteResult::Failed;
}

RewriteResult PreviewRewrite(const PlannedRewrite& rewrite, bool reverse,
                             const std::string& readPath) {
    const auto text = RewrittenText(rewrite, reverse, readPath);
    if (!text) return RewriteResult::Failed;
    return text->first == text->second ? RewriteResult::Unchanged : RewriteResult::Rewritten;
}

void KeepReferencesToMoves(std::vector<PlannedRewrite>& rewrites,
                           const std::vector<PlannedMove>& moved) {
    for (PlannedRewrite& rewrite : rewrites) {
        std::erase_if(rewrite.renamed, [&](const auto& reference) {
            return std::none_of(moved.begin(), moved.end(), [&](const PlannedMove& move) {
                return platform::SplitAtLastSeparator(move.to).name == reference.second;
            });
        });
    }
}

std::map<std::string, std::string> PlaylistReferences(
    std::string_view text, const std::map<std::string, std::string>& renamedFiles) {
    std::map<std::string, std::string> references;
    platform::LineReader lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        for (const auto& [from, to] : renamedFiles) {
            if (platform::EqualsIgnoreCase(line, from)) references.emplace(line, to);
        }
    }
    return references;
}
