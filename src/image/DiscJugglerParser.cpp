#include "image/DiscJugglerParser.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace {

using namespace std::string_view_literals;

constexpr std::uint32_t MAX_SESSIONS = 100;
constexpr std::int64_t RAW_SECTOR = 2352;
constexpr std::int32_t LEAD_IN_SECTORS = 150;

// Where the block starts: at the offset the last four bytes give, or that
// many bytes before the end of the file.
enum class HeaderRule { Absolute, FromEnd };

// How a track header encodes its sector size.
enum class SizeCodes {
    S1,        // 0 2048, 1 2336, 2 2352, 4 2448
    S1Or2448,  // as S1; every other code means 2448
    S2,        // 0 2048, 1 2336, 3 2352, 5 2448
};

// Every track header starts with a fixed run of bytes, the track-start mark.
constexpr std::string_view MARK_M1 =
    "\x00\x00\x01\x00\x00\x00\xFF\xFF\xFF\xFF\x00\x00\x01\x00\x00\x00\xFF\xFF\xFF\xFF"sv;
constexpr std::string_view MARK_M2 =
    "\x00\x00\x00\x00\x01\x00\x00\x00\xFF\xFF\xFF\xFF\x01\x00\x00\x00\xFF\xFF\xFF\xFF"sv;
constexpr std::string_view MARK_M3 = "\x00\x00\x00\x00\xFF\xFF\xFF\xFF"sv;

// One known layout of the block. A track header holds a file name whose
// length byte stands at `nameLengthAt`; the fields from the pregap on follow
// the name, so their offsets are counted as if the name were empty.
struct DiscJugglerLayout {
    HeaderRule headerRule;
    std::uint32_t sessionHeaderExtra;  // bytes after a session's LE16 track count
    std::string_view mark;
    std::uint32_t markAt;
    std::uint32_t nameLengthAt;
    std::uint32_t pregapAt;  // the track length in sectors follows 4 bytes later
    std::uint32_t modeAt;
    std::uint32_t startAt;
    std::uint32_t totalAt;
    std::uint32_t sizeCodeAt;
    std::uint32_t checkAt;
    std::uint32_t headerBytes;
    std::uint32_t sessionTrailer;
    SizeCodes sizeCodes;
};

constexpr std::array<DiscJugglerLayout, 8> LAYOUTS = {{
    {HeaderRule::Absolute, 4, MARK_M1, 8, 32, 58, 72, 88, 92, 112, 121, 236, 9, SizeCodes::S1},
    {HeaderRule::FromEnd, 4, MARK_M1, 0, 24, 50, 64, 80, 84, 104, 113, 228, 9, SizeCodes::S1},
    {HeaderRule::FromEnd, 4, MARK_M1, 0, 24, 58, 72, 88, 92, 112, 121, 236, 9, SizeCodes::S1},
    {HeaderRule::Absolute, 4, MARK_M1, 0, 24, 50, 64, 80, 84, 104, 113, 150, 7, SizeCodes::S1},
    {HeaderRule::Absolute, 4, MARK_M1, 0, 24, 50, 64, 80, 84, 104, 113, 141, 8, SizeCodes::S1},
    {HeaderRule::Absolute, 4, MARK_M1, 0, 24, 47, 59, 75, 79, 100, 108, 132, 12, SizeCodes::S1},
    {HeaderRule::Absolute, 2, MARK_M2, 0, 24, 43, 59, 75, 79, 100, 108, 130, 14,
     SizeCodes::S1Or2448},
    {HeaderRule::Absolute, 0, MARK_M3, 0, 12, 31, 47, 63, 67, 92, 100, 120, 12, SizeCodes::S2},
}};

std::optional<std::int32_t> SectorSizeOf(SizeCodes codes, std::uint32_t code) {
    if (codes == SizeCodes::S2) {
        switch (code) {
            case 0:
                return 2048;
            case 1:
                return 2336;
            case 3:
                return 2352;
            case 5:
                return 2448;
            default:
                return std::nullopt;
        }
    }
    switch (code) {
        case 0:
            return 2048;
        case 1:
            return 2336;
        case 2:
            return 2352;
        case 4:
            return 2448;
        default:
            if (codes == SizeCodes::S1Or2448) return 2448;
            return std::nullopt;
    }
}

std::optional<TrackMode> TrackModeOf(std::uint32_t value) {
    switch (value) {
        case 0:
            return TrackMode::Audio;
        case 1:
            return TrackMode::Mode1;
        case 2:
            return TrackMode::Mode2;
        default:
            return std::nullopt;
    }
}

// The fields of one track header that the reader uses.
struct TrackHeader {
    TrackMode mode;
    std::int32_t sectorSize;
    std::int64_t pregap;
    std::int64_t length;
    std::int64_t start;
    std::int64_t total;
    std::int64_t check;
};

// Reads the track header at `position`; nothing when its mark, mode or size
// code does not fit the layout. Moves `position` past the header.
std::optional<TrackHeader> ReadTrackHeader(const DiscJugglerLayout& layout,
                                           const FooterWindow& footer, std::uint64_t& position) {
    if (!footer.Matches(position + layout.markAt, layout.mark)) return std::nullopt;
    const std::uint64_t named = position + footer.Byte(position + layout.nameLengthAt);
    const std::optional<TrackMode> mode = TrackModeOf(footer.LE32(named + layout.modeAt));
    const std::optional<std::int32_t> size =
        SectorSizeOf(layout.sizeCodes, footer.LE32(named + layout.sizeCodeAt));
    if (!mode || !size) return std::nullopt;
    position = named + layout.headerBytes;
    // The numbers are 32-bit signed on disk.
    const auto field = [&](std::uint32_t at) {
        return std::int64_t(std::int32_t(footer.LE32(named + at)));
    };
    return TrackHeader{*mode,
                       *size,
                       field(layout.pregapAt),
                       field(layout.pregapAt + 4),
                       field(layout.startAt),
                       field(layout.totalAt),
                       field(layout.checkAt)};
}

bool ParseLayout(const DiscJugglerLayout& layout, const FooterWindow& footer,
                 const std::string& imagePath, TrackTable& table) {
    const std::uint64_t fileSize = footer.FileSize();
    if (fileSize < 4) return false;
    const std::uint32_t blockOffset = footer.LE32(fileSize - 4);
    if (layout.headerRule == HeaderRule::FromEnd && blockOffset > fileSize) return false;
    std::uint64_t position =
        layout.headerRule == HeaderRule::Absolute ? blockOffset : fileSize - blockOffset;
    if (position < footer.First()) return false;

    const std::uint32_t sessionCount = footer.LE16(position);
    position += 2;
    if (sessionCount == 0 || sessionCount >= MAX_SESSIONS) return false;

    // The image stores a session's tracks right after the previous session's,
    // without the gap between them on the disc, and stores each track's
    // sectors with their own size rather than 2352 bytes: both move every
    // later track's place in the file away from 2352 bytes per disc sector.
    std::int64_t byteGap = 0;
    std::int64_t previousSessionEnd = 0;
    for (std::uint32_t session = 0; session < sessionCount; ++session) {
        const std::uint32_t trackCount = footer.LE16(position);
        position += 2 + layout.sessionHeaderExtra;
        std::int64_t sessionEnd = previousSessionEnd;
        for (std::uint32_t track = 0; track < trackCount; ++track) {
            const std::optional<TrackHeader> header = ReadTrackHeader(layout, footer, position);
            if (!header) return false;
            if (header->total == 0 || header->total != header->check) return false;
            TrackEntry* entry = table.Append();
            if (entry == nullptr) return false;

            if (track == 0) byteGap += (header->start - previousSessionEnd) * RAW_SECTOR;
            const std::int64_t offset =
                header->start * RAW_SECTOR + header->sectorSize * header->pregap - byteGap;
            if (!FitsDataOffset(offset)) return false;
            byteGap += (RAW_SECTOR - header->sectorSize) * header->total;

            entry->file = imagePath;
            entry->mode = header->mode;
            entry->sectorSize = header->sectorSize;
            entry->dataOffset = offset;
            // The track stores its pregap and then the rest of its sectors.
            entry->firstSector = header->start + header->pregap;
            entry->pregapSectors = std::max<std::int64_t>(header->pregap, 0);
            entry->sectorCount = std::max<std::int64_t>(header->total - header->pregap, 0);
            // Working values that nothing reads; kept in 32 bits as the table holds them.
            entry->start = std::int32_t(header->start + header->pregap - LEAD_IN_SECTORS);
            entry->length = std::int32_t(header->length);
            sessionEnd = header->start + header->total;
        }
        previousSessionEnd = sessionEnd;
        position += layout.sessionTrailer;
    }
    return true;
}

}  // namespace

bool ParseDiscJuggler(const FooterWindow& footer, const std::string& imagePath, TrackTable& table) {
    for (const DiscJugglerLayout& layout : LAYOUTS) {
        table = TrackTable{};
        if (ParseLayout(layout, footer, imagePath, table)) return true;
    }
    table = TrackTable{};
    return false;
}
