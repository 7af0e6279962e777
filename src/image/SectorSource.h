#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "image/ByteSource.h"

// The 2048 bytes of user data of each sector, by sector number, whatever the
// sectors look like where they are stored.
inline constexpr std::int64_t USER_DATA_BYTES = 2048;

class SectorSource {
public:
    virtual ~SectorSource() = default;

    // Whole sectors the stored data holds: nothing the disc describes lies
    // beyond them.
    virtual std::int64_t SectorCount() const = 0;

    // Reads `count` user-data blocks from `sector` into `destination` (at
    // least count * 2048 bytes). False when a read failed or a block lies
    // beyond the stored data; what could be read is in place, the rest of the
    // destination is left as it was.
    virtual bool ReadSectors(unsigned char* destination, std::int64_t sector,
                             std::int32_t count) const = 0;
};

// Where a track's sectors lie in its data: from `dataOffset` on, `sectorSize`
// bytes each, the user data `headerBytes` into each.
struct SectorLayout {
    std::int64_t dataOffset = 0;
    std::int32_t sectorSize = 2048;
    std::int32_t headerBytes = 0;
};

// The sectors of one layout over one byte source: a single-file image, or one
// stretch of a descriptor's track.
class LayoutSectorSource final : public SectorSource {
public:
    LayoutSectorSource(std::shared_ptr<const ByteSource> data, SectorLayout layout);

    std::int64_t SectorCount() const override;
    bool ReadSectors(unsigned char* destination, std::int64_t sector,
                     std::int32_t count) const override;

private:
    std::shared_ptr<const ByteSource> data;
    SectorLayout layout;
};

// A run of sectors stored one after another with one layout: sectors
// `firstSector` .. `firstSector + sectorCount - 1`, the first of them at the
// layout's data offset. A count of -1 runs as far as the data goes.
struct SectorExtent {
    std::int64_t firstSector = 0;
    std::int64_t sectorCount = -1;
    std::shared_ptr<const ByteSource> data;
    SectorLayout layout;
};

// The sectors of a disc whose tracks lie in different places: each sector is
// read from the extent that holds it, with that extent's file, offset, sector
// size and header. Extents are ordered by their first sector and each ends
// where the next begins, so overlapping descriptors cannot make a sector be
// read twice over; sectors no extent holds (gaps between sessions, pregaps
// the image does not store) cannot be read.
class TrackSectorSource final : public SectorSource {
public:
    explicit TrackSectorSource(const std::vector<SectorExtent>& extents);

    std::int64_t SectorCount() const override;
    bool ReadSectors(unsigned char* destination, std::int64_t sector,
                     std::int32_t count) const override;

private:
    struct Piece {
        std::int64_t firstSector;
        std::int64_t endSector;  // one past the last
        LayoutSectorSource sectors;
    };
    // The piece that holds `sector`, or the first one after it; null past the last.
    const Piece* PieceAtOrAfter(std::int64_t sector) const;

    std::vector<Piece> pieces;
};
