#include "image/KelCDImageCHD.h"

#include <map>
#include <optional>
#include <sstream>
#include <vector>

#include "image/ChdSources.h"
#include "platform/PathText.h"

namespace {

// chdman pads every track to a multiple of four frames.
constexpr std::uint64_t TRACK_PADDING = 4;
// Far more frames than any CD holds (100 minutes are 450,000).
constexpr std::uint64_t MAX_TRACK_FRAMES = 1 << 22;

// What each CD track type stores of a sector, and how the user data sits in
// it.
struct TrackType {
    const char* name;
    TrackMode mode;
    std::int32_t sectorBytes;
    std::int32_t headerBytes;
};

constexpr TrackType TRACK_TYPES[] = {
    {"MODE1", TrackMode::Mode1, 2048, 0},       {"MODE1_RAW", TrackMode::Mode1, 2352, 16},
    {"MODE2", TrackMode::Mode2, 2336, 8},       {"MODE2_FORM1", TrackMode::Mode2, 2048, 0},
    {"MODE2_FORM2", TrackMode::Mode2, 2324, 0}, {"MODE2_FORM_MIX", TrackMode::Mode2, 2336, 8},
    {"MODE2_RAW", TrackMode::Mode2, 2352, 24},  {"AUDIO", TrackMode::Audio, 2352, 0},
};

// One track as the CHT2 and CHTR metadata text gives it:
// "TRACK:1 TYPE:MODE2_RAW SUBTYPE:NONE FRAMES:1234 PREGAP:0 PGTYPE:MODE1 ...".
struct ChdTrack {
    std::int64_t number = 0;
    const TrackType* type = nullptr;
    std::uint64_t frames = 0;
    // The pregap before the track's index 1; when stored, its frames start
    // the track's frames, else the disc's sectors go on past it unstored.
    std::uint64_t pregap = 0;
    bool pregapStored = false;
};

std::optional<std::int64_t> Number(const std::string& text) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != text.npos) {
        return std::nullopt;
    }
    return std::stoll(text);
}

std::optional<ChdTrack> ParseTrack(const std::string& data) {
    std::map<std::string, std::string> fields;
    std::istringstream words(data.substr(0, data.find('\0')));
    for (std::string word; words >> word;) {
        const std::size_t colon = word.find(':');
        if (colon != std::string::npos) fields[word.substr(0, colon)] = word.substr(colon + 1);
    }
    ChdTrack track;
    const std::optional<std::int64_t> number = Number(fields["TRACK"]);
    const std::optional<std::int64_t> frames = Number(fields["FRAMES"]);
    const std::optional<std::int64_t> pregap =
        fields["PREGAP"].empty() ? std::optional<std::int64_t>(0) : Number(fields["PREGAP"]);
    for (const TrackType& type : TRACK_TYPES) {
        if (fields["TYPE"] == type.name) track.type = &type;
    }
    if (!number || !frames || !pregap || track.type == nullptr ||
        std::uint64_t(*frames) > MAX_TRACK_FRAMES) {
        return std::nullopt;
    }
    track.number = *number;
    track.frames = std::uint64_t(*frames);
    track.pregap = std::uint64_t(*pregap);
    // A pregap type that starts with V was kept with the track's data.
    track.pregapStored = !fields["PGTYPE"].empty() && fields["PGTYPE"][0] == 'V';
    if (track.pregap > MAX_TRACK_FRAMES || (track.pregapStored && track.pregap > track.frames)) {
        return std::nullopt;
    }
    return track;
}

}  // namespace

KelCDImageCHD::KelCDImageCHD(std::shared_ptr<const ByteSource> file, const std::string& path)
    : chd(std::make_shared<ChdFile>(std::move(file))) {
    const std::string name = platform::SplitAtLastSeparator(path).name;
    if (!chd->IsValid()) {
        problem = name + " " + chd->Problem();
        return;
    }
    bool gdRom = false;
    for (const ChdMetadata& entry : chd->Metadata()) {
        isCd = isCd || entry.tag == ChdTag("CHT2") || entry.tag == ChdTag("CHTR");
        gdRom = gdRom || entry.tag == ChdTag("CHGD");
    }
    if (gdRom) {
        problem = name + " is a GD-ROM image";
        return;
    }
    if (!isCd) {
        whole = std::make_shared<ChdLogicalByteSource>(chd);
        single = std::make_unique<KelCDImageISO>(whole, path);
        if (!single->IsOpened()) {
            problem = name + " holds no disc image this reader knows";
            return;
        }
    } else if (const char* why = ReadTracks(path)) {
        problem = name + " " + why;
        return;
    }
    imagePath = path;
    opened = true;
}

const char* KelCDImageCHD::ReadTracks(const std::string& path) {
    if (chd->HunkBytes() % CD_FRAME_BYTES != 0) {
        return "has CD tracks in hunks that hold no whole frames";
    }
    std::vector<std::optional<ChdTrack>> tracks;
    for (const ChdMetadata& entry : chd->Metadata()) {
        if (entry.tag != ChdTag("CHT2") && entry.tag != ChdTag("CHTR")) continue;
        const std::optional<ChdTrack> track = ParseTrack(entry.data);
        if (!track || track->number < 1 || track->number > TrackTable::MAX_TRACKS) {
            return "has a damaged track list";
        }
        if (tracks.size() < std::size_t(track->number)) tracks.resize(std::size_t(track->number));
        std::optional<ChdTrack>& slot = tracks[std::size_t(track->number - 1)];
        if (slot) return "has a damaged track list";
        slot = track;
    }
    // The tracks' frames follow each other in track order, each track padded.
    const std::uint64_t framesStored = chd->HunkCount() * (chd->HunkBytes() / CD_FRAME_BYTES);
    std::uint64_t firstFrame = 0;
    std::uint64_t discFrame = 0;
    std::vector<std::shared_ptr<const ByteSource>> parts;
    for (const std::optional<ChdTrack>& track : tracks) {
        TrackEntry* row = track ? table.Append() : nullptr;
        if (row == nullptr || firstFrame + track->frames > framesStored) {
            return "has a damaged track list";
        }
        const TrackType& type = *track->type;
        const std::uint64_t stored = track->pregapStored ? track->pregap : 0;
        row->file = path;
        row->mode = type.mode;
        row->sectorSize = type.sectorBytes;
        row->dataOffset = std::int32_t(stored * std::uint64_t(type.sectorBytes));
        row->firstSector = std::int64_t(discFrame + track->pregap);
        row->pregapSectors = std::int64_t(stored);
        row->sectorCount = std::int64_t(track->frames - stored);
        row->data = std::make_shared<ChdTrackByteSource>(
            chd, firstFrame, track->frames, type.sectorBytes, type.mode == TrackMode::Audio);
        headerBytes[std::size_t(row->index)] = type.headerBytes;
        parts.push_back(row->data);
        discFrame = std::uint64_t(row->firstSector) + track->frames - stored;
        firstFrame += (track->frames + TRACK_PADDING - 1) / TRACK_PADDING * TRACK_PADDING;
    }
    if (table.Count() == 0) return "has no tracks";
    whole = std::make_shared<ConcatenatedByteSource>(std::move(parts));
    return nullptr;
}

std::int32_t KelCDImageCHD::TrackCount() const {
    return isCd ? table.Count() : 1;
}

std::int64_t KelCDImageCHD::TrackDataOffset(std::int32_t track) const {
    if (!isCd) return single ? single->TrackDataOffset(track) : 0;
    const TrackEntry* row = table.Used(track);
    return row ? row->dataOffset : 0;
}

std::int32_t KelCDImageCHD::TrackSectorSize(std::int32_t track) const {
    if (!isCd) return single ? single->TrackSectorSize(track) : 0;
    const TrackEntry* row = table.Used(track);
    return row ? row->sectorSize : 0;
}

SectorKind KelCDImageCHD::TrackSectorKind(std::int32_t track) const {
    if (!isCd) return single ? single->TrackSectorKind(track) : SectorKind::Other;
    const TrackEntry* row = table.Used(track);
    if (row == nullptr) return SectorKind::Other;
    return SectorKindOf(row->mode);
}

std::int32_t KelCDImageCHD::TrackHeaderBytes(std::int32_t track) const {
    if (!isCd) return KelCDImageBase::TrackHeaderBytes(track);
    return table.Used(track) ? headerBytes[std::size_t(track)] : 0;
}

std::string KelCDImageCHD::TrackFileName(std::int32_t track) const {
    return track >= 0 && track < TrackCount() ? imagePath : std::string();
}

std::string KelCDImageCHD::ReadProblem() const {
    const std::string damage = chd->Damage();
    if (damage.empty()) return damage;
    return platform::SplitAtLastSeparator(imagePath).name + " " + damage;
}

std::int64_t KelCDImageCHD::TrackFirstSector(std::int32_t track) const {
    return isCd ? FirstSectorOf(table, track) : 0;
}

std::unique_ptr<SectorSource> KelCDImageCHD::OpenSectors() const {
    return isCd ? OpenTableSectors(table) : KelCDImageBase::OpenSectors();
}

std::shared_ptr<const ByteSource> KelCDImageCHD::TrackData(std::int32_t track) const {
    if (!opened) return nullptr;
    if (!isCd) return single->TrackData(track);
    const TrackEntry* row = table.Used(track);
    return row ? row->data : nullptr;
}
