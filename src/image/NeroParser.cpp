#include "image/NeroParser.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace {

constexpr std::int64_t RAW_SECTOR = 2352;
constexpr std::int32_t LEAD_IN_SECTORS = 150;

constexpr std::uint64_t CHUNK_HEADER = 8;  // identifier and size
constexpr std::uint64_t CUES_ENTRY = 8;
constexpr std::uint64_t CUES_LEAD_IN = 2 * CUES_ENTRY;  // lead-in and track 1 index 0
constexpr std::uint64_t DAOI_HEADER = 22;  // size, catalog number, disc type, first and last track
constexpr std::uint64_t DAOI_ENTRY = 30;
constexpr std::uint64_t ETNF_ENTRY = 20;
constexpr unsigned char LEAD_OUT_TRACK = 0xAA;

std::int32_t FromBcd(unsigned char value) {
    return (value >> 4) * 10 + (value & 0x0F);
}

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

// The walk along the chunk chain; `position` is the file offset of the next
// identifier.
class ChunkWalk {
public:
    ChunkWalk(const FooterWindow& footer, const std::string& imagePath, TrackTable& table)
        : footer(footer), imagePath(imagePath), table(table) {}

    bool Run();

private:
    bool IsChunk(std::string_view identifier) const {
        return footer.Holds(position, 4) && footer.Matches(position, identifier);
    }
    // The size of the chunk at `position`, when the chunk lies inside the file.
    std::optional<std::uint32_t> ChunkSize() const;
    bool ReadCues();
    bool ReadDaoi();
    bool ReadEtnf();
    bool SkipChunk();

    const FooterWindow& footer;
    const std::string& imagePath;
    TrackTable& table;
    std::uint64_t position = 0;
};

bool ChunkWalk::Run() {
    if (footer.FileSize() < 4) return false;
    position = footer.BE32(footer.FileSize() - 4);
    if (!IsChunk("CUES") || !ReadCues()) return false;
    if (IsChunk("END!")) return true;
    if (!IsChunk("DAOI") || !ReadDaoi()) return false;
    while (position != footer.FileSize()) {
        if (IsChunk("END!")) return true;
        if (IsChunk("SINF")) {
            if (!SkipChunk()) return false;
        } else if (IsChunk("ETNF")) {
            if (!ReadEtnf()) return false;
        } else {
            return false;
        }
    }
    return true;
}

std::optional<std::uint32_t> ChunkWalk::ChunkSize() const {
    if (!footer.Holds(position, CHUNK_HEADER)) return std::nullopt;
    const std::uint32_t size = footer.BE32(position + 4);
    if (!footer.Holds(position + CHUNK_HEADER, size)) return std::nullopt;
    return size;
}

// Two entries per track (index 0, index 1) after the lead-in, and the
// lead-out: an index 0 entry or the lead-out ends the track before it, an
// index 1 entry starts a track.
bool ChunkWalk::ReadCues() {
    const std::optional<std::uint32_t> size = ChunkSize();
    if (!size || *size < CUES_LEAD_IN) return false;
    if (!table.SetCount(*size / 16 - 1)) return false;

    const std::uint64_t entries = *size / CUES_ENTRY - 2;
    std::uint64_t at = position + CHUNK_HEADER + CUES_LEAD_IN;
    for (std::uint64_t e = 0; e < entries; ++e, at += CUES_ENTRY) {
        const std::uint64_t row = e / 2;
        TrackEntry* entry = table.Row(std::int64_t(row));
        if (entry == nullptr) return false;
        const unsigned char control = footer.Byte(at);
        const unsigned char track = footer.Byte(at + 1);
        const unsigned char index = footer.Byte(at + 2);
        // BCD bytes are at most 165, so frames * 2352 stays below 2^31.
        const std::int32_t frames = FromBcd(footer.Byte(at + 5)) * 4500 +
                                    FromBcd(footer.Byte(at + 6)) * 75 +
                                    FromBcd(footer.Byte(at + 7));
        if (index == 0 || track == LEAD_OUT_TRACK) {
            entry->length = frames - entry->start - LEAD_IN_SECTORS;
            continue;
        }
        const std::optional<TrackMode> mode = TrackModeOfControl(control);
        if (!mode) {
            // The tracks end here; the chain goes on right after this entry.
            table.SetCount(std::int64_t(row));
            position = at + CUES_ENTRY;
            return true;
        }
        entry->index = std::int32_t(row);
        entry->file = imagePath;
        entry->mode = *mode;
        entry->sectorSize = std::int32_t(RAW_SECTOR);
        entry->start = frames - LEAD_IN_SECTORS;
        entry->dataOffset = std::int32_t(frames * RAW_SECTOR);
    }
    position = at;
    return true;
}

// The disc-at-once information: each track's stored sector size and the file
// offset of its index 1.
bool ChunkWalk::ReadDaoi() {
    if (!ChunkSize()) return false;
    const std::uint64_t body = position + CHUNK_HEADER;
    if (!footer.Holds(body, DAOI_HEADER)) return false;
    const std::uint32_t daoSize = footer.BE32(body);
    const std::uint64_t entries = daoSize > DAOI_HEADER ? (daoSize - DAOI_HEADER) / DAOI_ENTRY : 0;
    if (entries > std::uint64_t(TrackTable::MAX_TRACKS)) return false;
    const std::uint64_t first = body + DAOI_HEADER;
    if (!footer.Holds(first, entries * DAOI_ENTRY)) return false;

    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint64_t at = first + i * DAOI_ENTRY;
        const std::uint32_t index1Offset = footer.BE32(at + 22);
        if (!FitsDataOffset(index1Offset)) return false;
        TrackEntry* entry = table.Row(std::int64_t(i));
        if (entry == nullptr) return false;
        entry->sectorSize = footer.BE16(at + 12);
        entry->dataOffset = std::int32_t(index1Offset);
    }
    position = first + entries * DAOI_ENTRY;
    return true;
}

// Track-at-once entries: each appends a track after the ones already known.
bool ChunkWalk::ReadEtnf() {
    const std::optional<std::uint32_t> size = ChunkSize();
    if (!size) return false;
    const std::uint64_t entries = *size / ETNF_ENTRY;
    const std::uint64_t first = position + CHUNK_HEADER;
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint64_t at = first + i * ETNF_ENTRY;
        const std::uint32_t dataOffset = footer.BE32(at);
        const std::uint32_t lengthBytes = footer.BE32(at + 4);
        const std::uint32_t modeCode = footer.BE32(at + 8);
        if (!FitsDataOffset(dataOffset)) return false;
        TrackEntry* row = table.Append();
        if (row == nullptr) return false;

        TrackEntry& entry = *row;
        switch (modeCode) {
            case 0:
                entry.mode = TrackMode::Mode1;
                entry.sectorSize = 2048;
                break;
            case 1:
            case 2:
            case 3:
                entry.mode = TrackMode::Mode2;
                entry.sectorSize = 2336;
                break;
            case 5:
                entry.mode = TrackMode::Mode1;
                entry.sectorSize = 2352;
                break;
            case 6:
                entry.mode = TrackMode::Mode2;
                entry.sectorSize = 2352;
                break;
            default:
                entry.mode = TrackMode::Audio;
                entry.sectorSize = 2352;
                break;
        }
        entry.index = table.Count() - 1;
        entry.file = imagePath;
        entry.dataOffset = std::int32_t(dataOffset);
        entry.start = std::int32_t(footer.BE32(at + 12));
        entry.length =
            std::int32_t(lengthBytes / std::uint32_t(entry.sectorSize)) - LEAD_IN_SECTORS;
    }
    position = first + entries * ETNF_ENTRY;
    return true;
}

bool ChunkWalk::SkipChunk() {
    const std::optional<std::uint32_t> size = ChunkSize();
    if (!size) return false;
    position += CHUNK_HEADER + *size;
    return true;
}

}  // namespace

bool ParseNero(const FooterWindow& footer, const std::string& imagePath, TrackTable& table) {
    return ChunkWalk(footer, imagePath, table).Run();
}
