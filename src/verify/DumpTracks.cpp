#include "verify/DumpTracks.h"

#include <set>

#include "ident/KelFileBase.h"
#include "image/CompressedImages.h"
#include "image/CueSheet.h"
#include "image/KelCDImageCHD.h"
#include "platform/AsciiCase.h"
#include "platform/PathText.h"
#include "platform/ReadOnlyFile.h"

namespace {

bool HasExtension(const std::string& path, std::string_view extension) {
    const std::string name = platform::SplitAtLastSeparator(path).name;
    return name.size() > extension.size() &&
           platform::EqualsIgnoreCase(std::string_view(name).substr(name.size() - extension.size()),
                                      extension);
}

std::string TrackLabel(std::size_t number) {
    return std::string("Track ") + char('0' + number / 10 % 10) + char('0' + number % 10);
}

// Whether a cue sheet names the data file `path`.
bool SheetNames(const std::string& sheet, const std::string& path,
                const platform::FolderSnapshots* snapshots) {
    platform::SmallFile text = platform::ReadSmallFile(sheet);
    if (!text.IsRead()) return false;
    const CueSheet cue(std::move(text.text));
    for (const CueFile& file : cue.Files()) {
        if (FindCueDataFile(file, sheet, snapshots) == path) return true;
    }
    return false;
}

}  // namespace

DumpTracks::DumpTracks(const KelFileBase& handler, const platform::FolderSnapshots* snapshots) {
    const bool archived = !handler.ArchiveFile().empty();
    if (archived && !handler.Extracted()) {
        isDisc = true;
        shownPath = handler.ArchiveFile();
        problem = "the archive cannot be extracted";
        return;
    }
    if (!handler.ImageFound()) {
        if (archived) {
            isDisc = true;
            shownPath = handler.ArchiveFile();
            problem = "the archive holds no disc image";
        }
        return;
    }
    isDisc = true;
    shownPath = archived ? handler.ArchiveFile() : handler.ImageFile();
    // Every track of an archive is kept under the archive.
    const std::string holderPath = archived ? handler.ArchiveFile() : std::string();
    AddImage(handler.ImageFile(), holderPath, snapshots, handler);
}

DumpTracks::DumpTracks(const std::vector<std::string>& holderPaths,
                       const std::vector<std::vector<CachedTrack>>& holderTracks)
    : isDisc(true) {
    for (std::size_t holder = 0; holder < holderPaths.size(); ++holder) {
        holders.push_back(holderPaths[holder]);
        for (const CachedTrack& cached : holderTracks[holder]) {
            DumpTrack& track = tracks.emplace_back();
            track.label = cached.label;
            track.size = cached.size;
            track.holder = holder;
            if (cached.hashed) track.hash = TrackHash{cached.size, cached.crc, cached.sha1};
        }
    }
}

std::size_t DumpTracks::Holder(const std::string& path) {
    for (std::size_t i = 0; i < holders.size(); ++i) {
        if (holders[i] == path) return i;
    }
    holders.push_back(path);
    return holders.size() - 1;
}

void DumpTracks::AddImage(const std::string& image, const std::string& holderPath,
                          const platform::FolderSnapshots* snapshots, const KelFileBase& handler) {
    const std::optional<std::size_t> archive =
        holderPath.empty() ? std::nullopt : std::optional<std::size_t>(Holder(holderPath));
    if (HasExtension(image, ".cue")) return AddCueSheet(image, archive, snapshots);
    const std::shared_ptr<const ByteSource> file = OpenFileSource(image);
    if (file && CompressedFormatOf(*file) != CompressedFormat::None) {
        return AddCompressed(image, archive ? *archive : Holder(image));
    }
    // Of Game.bin beside Game.cue the handler reads the .bin, and of an
    // archive's files its first image: a sheet that names the image says
    // which files make the disc.
    const FileSearchBase base =
        handler.Extracted() ? SearchEveryFileIn(handler.ExtractDir()) : handler.CandidateFiles();
    for (const std::string& sheet : FindFilesByExtensions(base, {"cue"}, snapshots)) {
        if (!SheetNames(sheet, image, snapshots)) continue;
        if (!archive) shownPath = sheet;
        return AddCueSheet(sheet, archive, snapshots);
    }
    AddFileTrack(image, archive ? *archive : Holder(image));
}

void DumpTracks::AddFileTrack(const std::string& path, std::size_t holder) {
    DumpTrack& track = tracks.emplace_back();
    track.label = platform::SplitAtLastSeparator(path).name;
    track.path = path;
    track.holder = holder;
    if (const std::optional<FileStamp> stamp = StampOf(path)) {
        track.size = stamp->size;
    } else {
        track.present = false;
    }
}

void DumpTracks::AddCueSheet(const std::string& sheet, std::optional<std::size_t> holder,
                             const platform::FolderSnapshots* snapshots) {
    platform::SmallFile text = platform::ReadSmallFile(sheet);
    if (!text.IsRead()) {
        problem = platform::SplitAtLastSeparator(sheet).name + " cannot be read";
        return;
    }
    const CueSheet cue(std::move(text.text));
    if (!cue.Layout().accepted) {
        problem = platform::SplitAtLastSeparator(sheet).name + ": " + cue.Layout().Explained();
        return;
    }
    if (!holder) otherFiles.push_back(sheet);
    std::set<std::string> seen;
    for (const CueFile& file : cue.Files()) {
        if (!seen.insert(file.name).second) continue;
        if (const std::optional<std::string> path = FindCueDataFile(file, sheet, snapshots)) {
            AddFileTrack(*path, holder ? *holder : Holder(*path));
            continue;
        }
        DumpTrack& track = tracks.emplace_back();
        track.label = std::string(CueFileLeaf(file.name));
        track.present = false;
        track.holder = holder ? *holder : DumpTrack::NO_HOLDER;
    }
}

void DumpTracks::AddCompressed(const std::string& image, std::size_t holder) {
    const std::string name = platform::SplitAtLastSeparator(image).name;
    std::shared_ptr<const ByteSource> file = OpenFileSource(image);
    if (CompressedFormatOf(*file) == CompressedFormat::Chd) {
        // A CD's tracks one by one, each as its BIN file holds it.
        const KelCDImageCHD chd(std::move(file), image);
        if (!chd.IsOpened()) {
            problem = chd.Problem();
            return;
        }
        const std::int32_t count = chd.TrackCount();
        for (std::int32_t number = 0; number < count; ++number) {
            DumpTrack& track = tracks.emplace_back();
            track.bytes = chd.TrackData(number);
            track.label = count == 1 ? name : name + " " + TrackLabel(std::size_t(number) + 1);
            track.size = track.bytes ? track.bytes->Size() : 0;
            track.holder = holder;
        }
        return;
    }
    DumpTrack& track = tracks.emplace_back();
    track.bytes = DecompressedImage(std::move(file), image);
    if (!track.bytes) {
        tracks.pop_back();
        problem = name + " cannot be decompressed";
        return;
    }
    track.label = name;
    track.size = track.bytes->Size();
    track.holder = holder;
}

bool DumpTracks::HashAll() {
    bool all = true;
    for (DumpTrack& track : tracks) {
        if (!track.present || track.hash) continue;
        TrackHash hash;
        bool hashed = false;
        if (track.bytes) {
            const std::shared_ptr<const ByteSource> bytes = track.bytes;
            hashed = HashBytes(
                [this, &bytes](void* into, std::size_t length,
                               std::uint64_t offset) -> std::optional<std::size_t> {
                    if (cancelled && cancelled()) return std::nullopt;
                    return bytes->ReadAt(into, length, offset);
                },
                bytes->Size(), hash);
            if (!hashed) track.problem = track.label + " cannot be read (damaged data)";
        } else if (!track.path.empty()) {
            std::string why;
            hashed = HashFile(track.path, hash, why, cancelled);
            if (!hashed) track.problem = track.label + " " + why;
        } else {
            track.problem = track.label + " is not at hand";
        }
        if (hashed) {
            track.hash = hash;
            track.size = hash.size;
        }
        all = all && hashed;
    }
    return all;
}

std::vector<CachedTrack> DumpTracks::CachedTracksOf(std::size_t holder) const {
    std::vector<CachedTrack> cached;
    for (const DumpTrack& track : tracks) {
        if (track.holder != holder || !track.present) continue;
        CachedTrack& entry = cached.emplace_back();
        entry.label = track.label;
        entry.size = track.size;
        if (track.hash) {
            entry.hashed = true;
            entry.crc = track.hash->crc;
            entry.sha1 = track.hash->sha1;
        }
    }
    return cached;
}

std::vector<std::optional<platform::FileState>> DumpTracks::HolderStates() const {
    std::vector<std::optional<platform::FileState>> states;
    for (const std::string& holder : holders) states.push_back(platform::StateOf(holder));
    return states;
}

std::vector<HashedTrack> DumpTracks::Hashed(
    const std::vector<std::optional<platform::FileState>>& before) const {
    std::vector<HashedTrack> hashed;
    for (const DumpTrack& track : tracks) {
        if (!track.hash || track.holder >= holders.size() || track.holder >= before.size() ||
            !before[track.holder]) {
            continue;
        }
        hashed.push_back({holders[track.holder], *before[track.holder], track.label, *track.hash});
    }
    return hashed;
}

void DumpTracks::TakeHashed(const std::vector<HashedTrack>& hashed) {
    if (hashed.empty()) return;
    const std::vector<std::optional<platform::FileState>> now = HolderStates();
    for (DumpTrack& track : tracks) {
        if (track.hash || !track.present || track.holder >= holders.size()) continue;
        for (const HashedTrack& ahead : hashed) {
            if (ahead.holder == holders[track.holder] && ahead.label == track.label &&
                ahead.hash.size == track.size && now[track.holder] == ahead.state) {
                track.hash = ahead.hash;
                break;
            }
        }
    }
}
