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

// The data file of a cue sheet's FILE command and its path: the first of
// the places CueDataFilePlaces gives that holds a readable file.
std::optional<ResolvedFile> ResolveCueFile(const std::string& name, const std::string& sheetPath,
                                           const ImageFiles& files) {
    for (const CueDataFilePlace& place : CueDataFilePlaces(name, sheetPath)) {
        const std::string path = platform::JoinPath(place.folder, place.name);
        if (auto data = files.Open(path)) return ResolvedFile{path, std::move(data)};
        if (!place.ignoringCase) continue;
        const std::optional<std::string> found = files.FindIgnoringCase(place.folder, place.name);
        if (!found) continue;
        const std::string foundPath = platform::JoinPath(place.folder, *found);
        if (auto data = files.Open(foundPath)) return ResolvedFile{foundPath, std::move(data)};
    }
    return std::nullopt;
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

// Sheets written on Windows separate folders with '\'. A relative name is
// relative to the sheet, never to the current directory: during a run that
// is the start-up directory, where a file of the same name would belong to
// another disc. The name's last component beside the sheet is the last
// resort, for sheets that name the place the files were ripped to; beside
// the sheet a name also matches ignoring ASCII case (collections come from
// Windows file systems, where GAME.BIN names game.bin).
std::vector<CueDataFilePlace> CueDataFilePlaces(std::string name, const std::string& sheetPath) {
    std::replace(name.begin(), name.end(), '\\', '/');
    // ".\Game.bin" is Game.bin beside the sheet, under one path only.
    while (name.starts_with("./")) name.erase(0, 2);
    for (std::size_t dot; (dot = name.find("/./")) != std::string::npos;) name.erase(dot, 2);
    const std::string sheetFolder =
        platform::ListableFolder(platform::SplitAtLastSeparator(sheetPath));
    const platform::PathSplit written = platform::SplitAtLastSeparator(
        name.starts_with('/') ? name : platform::JoinPath(sheetFolder, name));
    const std::string writtenFolder = platform::ListableFolder(written);
    std::vector<CueDataFilePlace> places{
        {writtenFolder, written.name, writtenFolder == sheetFolder}};
    if (writtenFolder != sheetFolder) places.push_back({sheetFolder, written.name, true});
    return places;
}

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
        // A track that starts where its file has ended holds no sector: the
        // sheet belongs to another, longer file.
        if (entry.dataOffset < 0 || std::uint64_t(entry.dataOffset) >= file.data->Size()) {
            return Refused("a track of \"" + entry.file + "\" starts past its end");
        }
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
    const std::optional<ResolvedFile> file = ResolveCueFile(split.name, expected, files);
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
