#include "ident/RenamePlan.h"

#include "image/CueSheetText.h"
#include "platform/AsciiCase.h"
#include "platform/FileOps.h"
#include "platform/ReadOnlyFile.h"
#include "platform/TextLines.h"

namespace {

// Cue sheets and playlists are a few kilobytes; a larger file of that name
// is something else and is never rewritten.
constexpr std::size_t MAX_REFERENCING_FILE = 1 << 20;

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

}  // namespace

bool ApplyRewrite(const PlannedRewrite& rewrite, bool reverse) {
    const platform::SmallFile file = platform::ReadSmallFile(rewrite.path, MAX_REFERENCING_FILE);
    if (!file.IsRead()) return false;
    std::map<std::string, std::string> renamed;
    for (const auto& [from, to] : rewrite.renamed) {
        if (reverse) {
            renamed.emplace(to, from);
        } else {
            renamed.emplace(from, to);
        }
    }
    const std::string rewritten = rewrite.kind == ReferenceKind::CueSheet
                                      ? ReplaceCueFileNames(file.text, renamed)
                                      : ReplacePlaylistLines(file.text, renamed);
    return rewritten == file.text || platform::ReplaceFileContent(rewrite.path, rewritten);
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
