#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>

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
    std::string file;        // the file that holds the track's sectors
    TrackMode mode = TrackMode::Unset;
    std::int32_t sectorSize = 0;  // stored bytes per sector: 2048, 2336, 2352 or 2448
    std::int32_t dataOffset = 0;  // byte position in `file` of the track's first user sector
    std::int32_t start = 0;       // working sector position of the parsers
    std::int32_t length = 0;      // working length in sectors of the parsers
};

// The tracks a descriptor parser found. A disc has at most 99 tracks, so the
// rows are a fixed array: every parser checks a row number before it writes.
struct TrackTable {
    static constexpr std::int32_t MAX_TRACKS = 99;

    std::int32_t trackCount = 0;
    std::array<TrackEntry, MAX_TRACKS> rows{};
};

// Row numbers come from untrusted descriptors; this is the one bounds test.
constexpr bool IsTableRow(std::int64_t row) {
    return row >= 0 && row < TrackTable::MAX_TRACKS;
}

// Data offsets are 32-bit in the table; parsers compute them in 64 bits and
// refuse a descriptor whose offset would not fit rather than let it wrap.
constexpr bool FitsDataOffset(std::int64_t offset) {
    return offset >= std::numeric_limits<std::int32_t>::min() &&
           offset <= std::numeric_limits<std::int32_t>::max();
}
