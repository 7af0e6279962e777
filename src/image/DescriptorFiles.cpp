#include "image/DescriptorFiles.h"

#include <map>
#include <optional>

#include "image/CloneCDParser.h"
#include "platform/PathText.h"

namespace {

struct ResolvedFile {
    std::string path;
    std::shared_ptr<const ByteSource> data;
};

// The data file of a cue sheet's FILE command and its path: the name as
// written (relative to the current directory), else its last component beside
// the sheet, else the file beside the sheet whose name equals it ignoring
// ASCII case.
std::optional<ResolvedFile> ResolveCueFile(const std::string& name, const std::string& sheetPath,
                                           const ImageFiles& files) {
    if (auto data = files.Open(name)) return ResolvedFile{name, std::move(data)};

    const platform::PathSplit sheet = platform::SplitAtLastSeparator(sheetPath);
    const std::string prefix = sheet.hasSeparator ? sheet.folder + "/" : std::string();
    const std::string leaf = name.substr(name.rfind('/') + 1);
    if (auto data = files.Open(prefix + leaf)) return ResolvedFile{prefix + leaf, std::move(data)};

    const std::string folder =
        sheet.hasSeparator ? (sheet.folder.empty() ? "/" : sheet.folder) : ".";
    if (const std::optional<std::string> found = files.FindIgnoringCase(folder, leaf)) {
        if (auto data = files.Open(prefix + *found)) {
            return ResolvedFile{prefix + *found, std::move(data)};
        }
    }
    return std::nullopt;
}

}  // namespace

// Gives every row of a FILE the path and the opened data of its file.
DescriptorParse ResolveCueSheet(DescriptorParse parse, const std::string& sheetPath,
                                const ImageFiles& files) {
    std::map<std::string, ResolvedFile> resolved;
    for (const std::string& name : parse.dataFiles) {
        if (resolved.count(name) != 0) continue;
        std::optional<ResolvedFile> file = ResolveCueFile(name, sheetPath, files);
        if (!file) return Refused("the data file \"" + name + "\" was not found");
        resolved.emplace(name, std::move(*file));
    }
    for (std::int32_t row = 0; row < parse.table.Count(); ++row) {
        TrackEntry& entry = *parse.table.Row(row);
        const ResolvedFile& file = resolved.at(entry.file);
        entry.file = file.path;
        entry.data = file.data;
    }
    return parse;
}

// Every track of a CloneCD image lies in the .img file beside the control file.
DescriptorParse ResolveCloneCD(DescriptorParse parse, const std::string& controlPath,
                               const ImageFiles& files) {
    const std::string dataPath = CloneCDDataFile(controlPath);
    const std::shared_ptr<const ByteSource> data = files.Open(dataPath);
    if (!data || data->Size() == 0) {
        return Refused("the image file " + platform::SplitAtLastSeparator(dataPath).name +
                       " is missing or empty");
    }
    for (std::int32_t row = 0; row < parse.table.Count(); ++row) {
        TrackEntry& entry = *parse.table.Row(row);
        if (entry.mode == TrackMode::Unset) continue;
        entry.file = dataPath;
        entry.data = data;
    }
    return parse;
}
