#include "rename/Rewrites.h"

#include <algorithm>

#include "image/CueSheet.h"
#include "platform/AsciiCase.h"
#include "platform/PathText.h"
#include "platform/TextLines.h"
#include "rename/FileActions.h"

RewriteState StateOfRewrite(FileActions& files, const PlannedRewrite& rewrite) {
    const platform::SmallFile file = files.Read(rewrite.path);
    if (!file.IsRead()) return RewriteState::Unreadable;
    const platform::TextVersion version = platform::TextVersion::Of(file.text);
    if (version == rewrite.after) return RewriteState::After;
    return version == rewrite.before ? RewriteState::Before : RewriteState::Other;
}

Failure MakeRewrite(FileActions& files, const PlannedRewrite& rewrite) {
    const platform::SmallFile file = files.Read(rewrite.path);
    if (!file.IsRead()) {
        return {file.outcome == platform::SmallFile::Outcome::Missing ? FailureKind::Missing
                                                                      : FailureKind::CannotRead,
                rewrite.path,
                {}};
    }
    const platform::TextVersion version = platform::TextVersion::Of(file.text);
    if (version == rewrite.after) return Succeeded();
    const std::optional<std::string> edited =
        version == rewrite.before ? platform::ApplyEdits(file.text, rewrite.edits) : std::nullopt;
    if (!edited || platform::TextVersion::Of(*edited) != rewrite.after) {
        return {FailureKind::ChangedSince, rewrite.path, {}};
    }
    return files.Write(rewrite.path, *edited);
}

namespace {

// Whether a playlist line names `path`, relative to the playlist's folder
// ('\' or '/' between folders; ignoring ASCII case, as playlists from
// Windows are written).
bool NamesPath(std::string_view line, const std::string& playlistFolder, const std::string& path) {
    std::string written(line);
    std::replace(written.begin(), written.end(), '\\', '/');
    if (written.starts_with("./")) written.erase(0, 2);
    const std::string named =
        written.starts_with('/') ? written : platform::JoinPath(playlistFolder, written);
    return platform::EqualsIgnoreCase(named, path);
}

// The edits of an old journal's names on a cue sheet: each FILE whose last
// component is named gets the new one, keeping its folder part.
std::vector<platform::TextEdit> SheetEditsOfNames(const std::map<std::string, std::string>& names,
                                                  const std::set<std::string>& bare,
                                                  std::string_view text) {
    const CueSheet sheet{std::string(text)};
    std::vector<platform::TextEdit> edits;
    for (const CueFile& file : sheet.Files()) {
        const std::string_view leaf = CueFileLeaf(file.name);
        const auto renamed = names.find(std::string(leaf));
        if (renamed == names.end()) continue;
        const std::string name =
            file.name.substr(0, file.name.size() - leaf.size()) + renamed->second;
        const bool blank = name.find_first_of(" \t") != std::string::npos;
        const bool quote = blank || (file.quoted && !bare.contains(renamed->second));
        edits.push_back({file.begin, std::string(text.substr(file.begin, file.end - file.begin)),
                         quote ? "\"" + name + "\"" : name});
    }
    return edits;
}

std::vector<platform::TextEdit> PlaylistEditsOfNames(
    const std::map<std::string, std::string>& names, std::string_view text) {
    std::vector<platform::TextEdit> edits;
    for (const PlaylistLine& line : PlaylistLines(text)) {
        const auto renamed = names.find(std::string(line.text));
        if (renamed != names.end()) {
            edits.push_back({line.begin, std::string(line.text), renamed->second});
        }
    }
    return edits;
}

}  // namespace

std::string NameWithLeaf(const std::string& written, const std::string& leaf) {
    return written.substr(0, written.size() - CueFileLeaf(written).size()) + leaf;
}

std::optional<PlannedRewrite> PlaylistRewrite(const std::string& playlistPath,
                                              const std::string& text,
                                              const std::vector<PlannedMove>& moves) {
    const std::string folder =
        platform::ListableFolder(platform::SplitAtLastSeparator(playlistPath));
    std::vector<platform::TextEdit> edits;
    for (const PlaylistLine& line : PlaylistLines(text)) {
        for (const PlannedMove& move : moves) {
            if (move.from == move.to || !NamesPath(line.text, folder, move.from)) continue;
            const std::string leaf = platform::SplitAtLastSeparator(move.to).name;
            const std::string renamed = NameWithLeaf(std::string(line.text), leaf);
            if (renamed != line.text)
                edits.push_back({line.begin, std::string(line.text), renamed});
            break;
        }
    }
    if (edits.empty()) return std::nullopt;
    const std::optional<std::string> after = platform::ApplyEdits(text, edits);
    if (!after) return std::nullopt;
    return PlannedRewrite{ReferenceKind::Playlist, playlistPath, platform::TextVersion::Of(text),
                          platform::TextVersion::Of(*after), std::move(edits)};
}

PlannedRewrite RewriteOfNames(const NamedRewrite& named, bool reverse, std::string_view text) {
    std::map<std::string, std::string> names;
    std::set<std::string> bare;
    for (const auto& [from, to] : named.renamed) {
        if (!reverse) {
            names.emplace(from, to);
        } else {
            names.emplace(to, from);
            if (named.bare.contains(from)) bare.insert(from);
        }
    }
    PlannedRewrite rewrite{named.kind, named.path, platform::TextVersion::Of(text), {}, {}};
    rewrite.edits = named.kind == ReferenceKind::CueSheet ? SheetEditsOfNames(names, bare, text)
                                                          : PlaylistEditsOfNames(names, text);
    // Names that already read as their new form change nothing.
    std::erase_if(rewrite.edits,
                  [](const platform::TextEdit& edit) { return edit.from == edit.to; });
    rewrite.after =
        platform::TextVersion::Of(platform::ApplyEdits(text, rewrite.edits).value_or(""));
    return rewrite;
}

std::vector<PlaylistLine> PlaylistLines(std::string_view text) {
    std::vector<PlaylistLine> lines;
    platform::LineReader reader(text);
    std::string_view line;
    while (reader.Next(line)) {
        const std::size_t begin = std::size_t(line.data() - text.data());
        lines.push_back({begin, begin + line.size(), line});
    }
    return lines;
}
