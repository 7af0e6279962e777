#include "image/DescriptorFiles.h"

#include <algorithm>
#include <map>
#include <optional>

#include "image/CloneCDParser.h"
#include "platform/PathText.h"

namespace {

struct ResolvedFile {
    std::string path;
    std::shared_ptr<const ByteSource> data;
};

std::string FolderPrefix(const platform::PathSplit& split) {
    return split.hasSeparator ? split.folder + "/" : std::string();
}

// The file of `folder` named `name`, or else the one whose name equals it
// ignoring ASCII case (collections come from Windows file systems, where
// GAME.BIN names game.bin).
std::optional<ResolvedFile> OpenInFolder(const platform::PathSplit& folder, const std::string& name,
                                         const ImageFiles& files) {
    const std::string prefix = FolderPrefix(folder);
    if (auto data = files.Open(prefix + name)) return ResolvedFile{prefix + name, std::move(data)};
    if (const std::optional<std::string> found =
            files.FindIgnoringCase(platform::ListableFolder(folder), name)) {
        if (auto data = files.Open(prefix + *found)) {
            return ResolvedFile{prefix + *found, std::move(data)};
        }
    }
    return std::nullopt;
}

// The data file of a cue sheet's FILE command and its path. Sheets written on
// Windows separate folders with '\'. A relative name is relative to the
// sheet, never to the current directory: during a run that is the start-up
// directory, where a file of the same name would belong to another disc.
// The name's last component beside the sheet is the last resort, for sheets
// that name the place the files were ripped to.
std::optional<ResolvedFile> ResolveCueFile(std::string name, const std::string& sheetPath,
                                           const ImageFiles& files) {
    std::replace(name.begin(), name.end(), '\\', '/');
    const platform::PathSplit sheet = platform::SplitAtLastSeparator(sheetPath);
    const std::string path = name.starts_with('/') ? name : FolderPrefix(sheet) + name;
    if (auto data = files.Open(path)) return ResolvedFile{path, std::move(data)};
    return OpenInFolder(sheet, name.substr(name.rfind('/') + 1), files);
}

// The rows' places on the disc: each FILE holds its tracks' sectors one after
// another, so a file's first sector follows the last sector of the file
// before it. The parser counted each row's place from the start of its file.
void PlaceFilesOnTheDisc(TrackTable& table) {
    std::int64_t fileStart = 0;
    for (std::int32_t row = 0; row < table.Count();) {
        std::int32_t next = row;
        while (next < table.Count() && table.At(next).file == table.At(row).file) {
            table.Row(next)->firstSector += fileStart;
            ++next;
        }
        // The file's last track runs to the end of the file.
        const TrackEntry& last = table.At(next - 1);
        const std::int64_t bytesAfter = std::int64_t(last.data->Size()) - last.dataOffset;
        fileStart += last.start + std::max<std::int64_t>(bytesAfter / last.sectorSize, 0);
        row = next;
    }
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
    PlaceFilesOnTheDisc(parse.table);
    return parse;
}

// Every track of a CloneCD image lies in the .img file beside the control file.
DescriptorParse ResolveCloneCD(DescriptorParse parse, const std::string& controlPath,
                               const ImageFiles& files) {
    const std::string expected = CloneCDDataFile(controlPath);
    const platform::PathSplit split = platform::SplitAtLastSeparator(expected);
    const std::optional<ResolvedFile> file = OpenInFolder(split, split.name, files);
    if (!file || file->data->Size() == 0) {
        return Refused("the image file " + split.name + " is missing or empty");
    }
    for (std::int32_t row = 0; row < parse.table.Count(); ++row) {
        TrackEntry& entry = *parse.table.Row(row);
        if (entry.mode == TrackMode::Unset) continue;
        entry.file = file->path;
        entry.data = file->data;
    }
    return parse;
}
