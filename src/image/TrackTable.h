#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "image/ByteSource.h"

// What a track holds, as the descriptors describe it.
enum class TrackMode : std::int32_t {
    Unset = 0,  // a row no descriptor line filled
    Audio = 1,
    Mode1 = 2,
    Mode2 = 4,
};

// One track of a descriptor-based image.
struct TrackEntry {
    std::int32_t index = 0;  // the row's own 0-based index
    // The track's data file: as the descriptor names it until the data files
    // are resolved, then its path.
    std::string file;
    TrackMode mode = TrackMode::Unset;
    std::int32_t sectorSize = 0;  // stored bytes per sector: 2048, 2336, 2352 or 2448
    std::int64_t dataOffset = 0;  // byte position in `file` of the track's first user sector
    std::int32_t start = 0;       // working sector position of the parsers
    std::int32_t length = 0;      // working length in sectors of the parsers
    // Where the track lies among the disc's sectors, so that every sector is
    // read from the track that holds it. Sector numbers only count relative
    // to each other: the image numbers its sectors from row 0's first sector.
    std::int64_t firstSector = 0;    // the sector stored at `dataOffset` (index 1)
    std::int64_t pregapSectors = 0;  // sectors of its pregap stored right before `dataOffset`
    std::int64_t sectorCount = -1;   // sectors from `dataOffset` on; -1: as far as `data` goes
    // The opened data file, once resolved; rows of one file share it.
    std::shared_ptr<const ByteSource> data;
};

// The tracks a descriptor parser found. A disc has at most 99 tracks, so the
// rows are a fixed array, and the table itself refuses a row past it: track
// numbers come from untrusted descriptors, and no parser can forget the check.
class TrackTable {
public:
    static constexpr std::int32_t MAX_TRACKS = 99;

    // The number of rows in use.
    std::int32_t Count() const { return count; }

    // A row for reading; an empty row for a number outside the table.
    const TrackEntry& At(std::int64_t row) const;

    // A row in use (0 .. Count() - 1); null for any other number.
    const TrackEntry* Used(std::int64_t row) const;

    // A row for writing, by its 0-based number; null outside the table. The
    // count is the parser's to keep (SetCount), as descriptors may fill rows
    // out of order.
    TrackEntry* Row(std::int64_t row);

    // The row after the last one in use, which is counted and given its
    // index; null when the table is full.
    TrackEntry* Append();

    // Sets the number of rows in use; false (and nothing changed) past the table.
    bool SetCount(std::int64_t rows);

private:
    std::int32_t count = 0;
    std::array<TrackEntry, MAX_TRACKS> rows{};
};

// A CD image's data offsets stay far below 2^31 bytes; the text descriptors
// and DiscJuggler images compute theirs in 64 bits and refuse one beyond that
// range as damage rather than let it stand for a place no disc reaches.
constexpr bool FitsDataOffset(std::int64_t offset) {
    return offset >= std::numeric_limits<std::int32_t>::min() &&
           offset <= std::numeric_limits<std::int32_t>::max();
}
