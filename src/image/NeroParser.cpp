#include "image/NeroParser.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

namespace {

constexpr std::int64_t RAW_SECTOR = 2352;
// Sector 0 of a disc lies at 00:02:00, after the first track's pregap.
constexpr std::int64_t LEAD_IN_SECTORS = 150;
// A track written track-at-once is preceded by a pregap of two seconds that
// the image does not store; ETNF and ETN2 count only stored sectors.
constexpr std::int64_t TRACK_AT_ONCE_PREGAP = 150;

constexpr std::uint64_t CHUNK_HEADER = 8;  // identifier and size
constexpr std::uint64_t CUE_ENTRY = 8;
constexpr std::uint64_t CUE_LEAD_IN = 2 * CUE_ENTRY;  // lead-in and the first track's index 0
constexpr std::uint64_t DAO_HEADER = 22;  // size, catalog number, disc type, first and last track
constexpr std::uint64_t DAO_SECTOR_SIZE = 12;  // after the ISRC
constexpr std::uint64_t DAO_MODE = 14;
constexpr std::uint64_t DAO_OFFSETS = 18;  // index 0, index 1 and end of the track
constexpr unsigned char LEAD_IN_TRACK = 0x00;
constexpr unsigned char LEAD_OUT_TRACK = 0xAA;

// Offsets of 64-bit chunks beyond this are damage: no file comes near it, and
// sums of them with sector counts stay far from overflowing.
constexpr std::uint64_t MAX_WIDE_OFFSET = std::uint64_t(1) << 50;

// The track modes of DAO and track-at-once entries: the user data the image
// stores per sector, with or without sync, header and subchannel data.
struct NeroTrackMode {
    std::uint32_t code;
    TrackMode mode;
    std::int32_t sectorSize;
};

constexpr std::array<NeroTrackMode, 10> TRACK_MODES = {{
    {0x00, TrackMode::Mode1, 2048},  // user data only
    {0x01, TrackMode::Mode2, 2336},
    {0x02, TrackMode::Mode2, 2048},  // Mode 2 Form 1, user data only
    {0x03, TrackMode::Mode2, 2336},
    {0x05, TrackMode::Mode1, 2352},
    {0x06, TrackMode::Mode2, 2352},
    {0x07, TrackMode::Audio, 2352},
    {0x0F, TrackMode::Mode1, 2448},  // with 96 bytes of subchannel data
    {0x10, TrackMode::Audio, 2448},
    {0x11, TrackMode::Mode2, 2448},
}};

// Any other code is read as audio, which no file system is looked for in.
NeroTrackMode TrackModeOfCode(std::uint32_t code) {
    for (const NeroTrackMode& known : TRACK_MODES) {
        if (known.code == code) return known;
    }
    return {code, TrackMode::Audio, 2352};
}

bool IsSectorSize(std::uint32_t size) {
    return size == 2048 || size == 2336 || size == 2352 || size == 2448;
}

// A cue chunk alone says only whether a track holds data; these are the
// control bytes whose mode it has always been taken from.
std::optional<TrackMode> TrackModeOfControl(unsigned char control) {
    switch (control) {
        case 0x01:
            return TrackMode::Audio;
        case 0x41:
            return TrackMode::Mode1;
        case 0x61:
            return TrackMode::Mode2;
        default:
            return std::nullopt;
    }
}

std::int32_t FromBcd(unsigned char value) {
    return (value >> 4) * 10 + (value & 0x0F);
}

std::int32_t ClampToInt32(std::int64_t value) {
    return std::int32_t(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max()));
}

// A track's place and layout as a DAO entry gives it.
struct DaoTrack {
    NeroTrackMode mode;
    std::int64_t index0Offset;
    std::int64_t index1Offset;
    std::int64_t endOffset;
};

// A track as a cue chunk gives it: its control byte and the sectors of its
// index 0 and index 1, and, once the DAO chunk is read, its DAO entry.
struct CueTrack {
    unsigned char number = 0;
    unsigned char control = 0;
    std::optional<std::int64_t> index0;
    std::optional<std::int64_t> index1;
    std::optional<DaoTrack> dao;
};

// The walk along the chunk chain; `position` is the file offset of the next
// identifier. The tracks of a cue chunk wait for the session's DAO chunk and
// become rows when the session ends.
class ChunkWalk {
public:
    ChunkWalk(const FooterWindow& footer, const std::string& imagePath, TrackTable& table)
        : footer(footer), imagePath(imagePath), table(table) {}

    bool Run();

private:
    bool IsChunk(std::string_view identifier) const { return footer.Matches(position, identifier); }
    // Where the chain starts and where the footer after it begins.
    bool FindChain();
    bool ReadCue(std::uint32_t size, bool sectorNumbers);
    bool ReadDao(std::uint32_t size, bool wideOffsets);
    bool ReadTrackAtOnce(std::uint32_t size, bool wideOffsets);
    // Rows for the tracks of the last cue chunk.
    bool EndSession();
    bool AddCueRow(std::size_t track);

    const FooterWindow& footer;
    const std::string& imagePath;
    TrackTable& table;
    std::uint64_t position = 0;
    std::uint64_t chainEnd = 0;
    std::vector<CueTrack> cueTracks;
    std::optional<std::int64_t> leadOut;
    std::int64_t trackAtOnceTracks = 0;
};

bool ChunkWalk::FindChain() {
    const std::uint64_t size = footer.FileSize();
    if (size >= 12 && footer.Matches(size - 12, "NER5")) {
        position = footer.BE64(size - 8);
        chainEnd = size - 12;
        return true;
    }
    if (size < 4) return false;
    position = footer.BE32(size - 4);
    chainEnd = size >= 8 && footer.Matches(size - 8, "NERO") ? size - 8 : size;
    return true;
}

bool ChunkWalk::Run() {
    if (!FindChain()) return false;
    // Every chunk is at least 8 bytes long, so the walk ends within the window.
    while (position != chainEnd && position != footer.FileSize()) {
        if (!footer.Holds(position, CHUNK_HEADER)) return false;
        const std::uint32_t size = footer.BE32(position + 4);
        if (!footer.Holds(position + CHUNK_HEADER, size)) return false;
        bool read = true;
        if (IsChunk("CUES") || IsChunk("CUEX")) {
            read = EndSession() && ReadCue(size, IsChunk("CUEX"));
        } else if (IsChunk("DAOI") || IsChunk("DAOX")) {
            read = ReadDao(size, IsChunk("DAOX"));
        } else if (IsChunk("ETNF") || IsChunk("ETN2")) {
            read = EndSession() && ReadTrackAtOnce(size, IsChunk("ETN2"));
        } else if (IsChunk("END!")) {
            break;
        } else if (IsChunk("SINF")) {
            read = EndSession();
        } else if (!IsChunk("CDTX") && !IsChunk("MTYP") && !IsChunk("DINF") && !IsChunk("TOCT") &&
                   !IsChunk("RELO")) {
            return false;
        }
        if (!read) return false;
        position += CHUNK_HEADER + size;
    }
    return EndSession() && table.Count() > 0;
}

// Entries of 8 bytes: control byte, track and index (BCD), and the place:
// minutes, seconds and frames in BCD in its last three bytes (CUES), or a
// signed 32-bit sector number (CUEX). The first two entries are the lead-in.
bool ChunkWalk::ReadCue(std::uint32_t size, bool sectorNumbers) {
    if (size < CUE_LEAD_IN) return false;
    const std::uint64_t first = position + CHUNK_HEADER;
    for (std::uint64_t at = first; at + CUE_ENTRY <= first + size; at += CUE_ENTRY) {
        const unsigned char control = footer.Byte(at);
        const unsigned char number = footer.Byte(at + 1);
        const std::int32_t index = FromBcd(footer.Byte(at + 2));
        const std::int64_t sector = sectorNumbers
                                        ? std::int64_t(std::int32_t(footer.BE32(at + 4)))
                                        : FromBcd(footer.Byte(at + 5)) * 4500 +
                                              FromBcd(footer.Byte(at + 6)) * 75 +
                                              FromBcd(footer.Byte(at + 7)) - LEAD_IN_SECTORS;
        if (number == LEAD_IN_TRACK) continue;
        if (number == LEAD_OUT_TRACK) {
            leadOut = sector;
            continue;
        }
        auto track = std::find_if(cueTracks.begin(), cueTracks.end(),
                                  [number](const CueTrack& t) { return t.number == number; });
        if (track == cueTracks.end()) {
            if (cueTracks.size() >= std::size_t(TrackTable::MAX_TRACKS)) return false;
            track = cueTracks.insert(cueTracks.end(), CueTrack{number, control, {}, {}, {}});
        }
        if (index == 0) {
            track->index0 = sector;
        } else if (index == 1) {
            // A second index 1 for the same track is damage.
            if (track->index1) return false;
            track->control = control;
            track->index1 = sector;
        }
    }
    return true;
}

// A header of 22 bytes, then one entry per track of the session: ISRC,
// sector size, mode, and the file offsets of index 0, index 1 and the end of
// the track, 32-bit (DAOI) or 64-bit (DAOX).
bool ChunkWalk::ReadDao(std::uint32_t size, bool wideOffsets) {
    const std::uint64_t entryBytes = DAO_OFFSETS + (wideOffsets ? 24 : 12);
    if (size < DAO_HEADER) return false;
    const std::uint64_t entries = (size - DAO_HEADER) / entryBytes;
    // Each entry describes a track of the cue chunk before it, in order.
    if (entries > cueTracks.size()) return false;
    const std::uint64_t first = position + CHUNK_HEADER + DAO_HEADER;
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint64_t at = first + i * entryBytes;
        std::uint64_t offsets[3];
        for (std::uint64_t k = 0; k < 3; ++k) {
            const std::uint64_t field = at + DAO_OFFSETS + k * (wideOffsets ? 8 : 4);
            offsets[k] = wideOffsets ? footer.BE64(field) : footer.BE32(field);
            if (offsets[k] > MAX_WIDE_OFFSET) return false;
        }
        if (!wideOffsets && !FitsDataOffset(std::int64_t(offsets[1]))) return false;
        NeroTrackMode mode = TrackModeOfCode(footer.Byte(at + DAO_MODE));
        // The entry's own sector size counts where it is one a disc can have.
        const std::uint16_t sectorSize = footer.BE16(at + DAO_SECTOR_SIZE);
        if (IsSectorSize(sectorSize)) mode.sectorSize = sectorSize;
        cueTracks[i].dao = DaoTrack{mode, std::int64_t(offsets[0]), std::int64_t(offsets[1]),
                                    std::int64_t(offsets[2])};
    }
    return true;
}

bool ChunkWalk::AddCueRow(std::size_t track) {
    const CueTrack& cue = cueTracks[track];
    TrackEntry* row = table.Append();
    if (row == nullptr) return false;
    TrackEntry& entry = *row;
    // The track ends where the next one's pregap, or the lead-out, begins.
    std::optional<std::int64_t> end = leadOut;
    if (track + 1 < cueTracks.size()) {
        const CueTrack& next = cueTracks[track + 1];
        end = next.index0 ? next.index0 : next.index1;
    }
    if (cue.dao) {
        const DaoTrack& dao = *cue.dao;
        const std::int64_t size = dao.mode.sectorSize;
        entry.mode = dao.mode.mode;
        entry.sectorSize = dao.mode.sectorSize;
        entry.dataOffset = dao.index1Offset;
        entry.pregapSectors =
            dao.index0Offset <= dao.index1Offset ? (dao.index1Offset - dao.index0Offset) / size : 0;
        entry.sectorCount =
            dao.endOffset >= dao.index1Offset ? (dao.endOffset - dao.index1Offset) / size : -1;
        if (cue.index1) {
            entry.firstSector = *cue.index1;
        } else if (cue.index0) {
            entry.firstSector = *cue.index0 + entry.pregapSectors;
        } else {
            return false;
        }
    } else {
        // Without a DAO entry the track is taken as raw sectors stored from
        // the disc's first sector of the lead-in area on.
        if (!cue.index1) return true;  // a row without a mode: nothing to read
        const std::optional<TrackMode> mode = TrackModeOfControl(cue.control);
        if (!mode) return false;
        const std::int64_t offset = (*cue.index1 + LEAD_IN_SECTORS) * RAW_SECTOR;
        if (!FitsDataOffset(offset)) return false;
        entry.mode = *mode;
        entry.sectorSize = std::int32_t(RAW_SECTOR);
        entry.dataOffset = offset;
        entry.firstSector = *cue.index1;
        entry.sectorCount = end ? *end - *cue.index1 : -1;
    }
    entry.file = imagePath;
    entry.start = ClampToInt32(entry.firstSector);
    entry.length = ClampToInt32(entry.sectorCount);
    return true;
}

bool ChunkWalk::EndSession() {
    for (std::size_t track = 0; track < cueTracks.size(); ++track) {
        if (!AddCueRow(track)) return false;
    }
    cueTracks.clear();
    leadOut.reset();
    return true;
}

// Entries of the file offset and byte length of a track's data, its mode and
// its first sector, 32-bit (ETNF, 20 bytes) or with 64-bit offset and length
// (ETN2, 32 bytes).
bool ChunkWalk::ReadTrackAtOnce(std::uint32_t size, bool wideOffsets) {
    const std::uint64_t entryBytes = wideOffsets ? 32 : 20;
    const std::uint64_t entries = size / entryBytes;
    const std::uint64_t first = position + CHUNK_HEADER;
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint64_t at = first + i * entryBytes;
        const std::uint64_t dataOffset = wideOffsets ? footer.BE64(at) : footer.BE32(at);
        const std::uint64_t lengthBytes = wideOffsets ? footer.BE64(at + 8) : footer.BE32(at + 4);
        const std::uint64_t fields = wideOffsets ? at + 16 : at + 8;
        if (wideOffsets ? dataOffset > MAX_WIDE_OFFSET || lengthBytes > MAX_WIDE_OFFSET
                        : !FitsDataOffset(std::int64_t(dataOffset))) {
            return false;
        }
        const NeroTrackMode mode = TrackModeOfCode(footer.BE32(fields));
        TrackEntry* row = table.Append();
        if (row == nullptr) return false;

        TrackEntry& entry = *row;
        entry.file = imagePath;
        entry.mode = mode.mode;
        entry.sectorSize = mode.sectorSize;
        entry.dataOffset = std::int64_t(dataOffset);
        entry.sectorCount = std::int64_t(lengthBytes) / mode.sectorSize;
        entry.firstSector =
            std::int64_t(footer.BE32(fields + 4)) + TRACK_AT_ONCE_PREGAP * trackAtOnceTracks++;
        entry.start = ClampToInt32(entry.firstSector);
        entry.length = ClampToInt32(entry.sectorCount);
    }
    return true;
}

}  // namespace

bool ParseNero(const FooterWindow& footer, const std::string& imagePath, TrackTable& table) {
    return ChunkWalk(footer, imagePath, table).Run();
}
