#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "image/ByteSource.h"
#include "image/SectorSource.h"
#include "image/TrackTable.h"

// How the 2048 bytes of user data sit inside a stored sector.
enum class SectorKind : std::int32_t {
    Mode1Data = 0,  // no subheader: cooked sectors, or Mode 1 raw sectors
    Mode2Data = 1,  // user data after an 8-byte subheader
    Audio = 2,
    Other = 3,
};

// A reader that knows where the sectors of one disc image lie: in which data,
// from which byte, how many bytes per stored sector and of which kind. One
// derived class per way of describing an image. A reader opens its files once,
// when it is built, and keeps them open.
class KelCDImageBase {
public:
    virtual ~KelCDImageBase() = default;

    virtual std::int32_t TrackCount() const = 0;
    virtual std::int64_t TrackDataOffset(std::int32_t track) const = 0;
    virtual std::int32_t TrackSectorSize(std::int32_t track) const = 0;
    virtual SectorKind TrackSectorKind(std::int32_t track) const = 0;
    // Bytes before the user data in each stored sector. By default they
    // follow from the kind and the stored size; a reader whose tracks store
    // only the user data of Mode 2 sectors (a compressed CD's Form 1 track)
    // says so here.
    virtual std::int32_t TrackHeaderBytes(std::int32_t track) const;
    virtual std::string TrackFileName(std::int32_t track) const = 0;
    // The opened data of a track; null outside the tracks.
    virtual std::shared_ptr<const ByteSource> TrackData(std::int32_t track) const = 0;
    // The sector number of the track's index 1: sector 0 is the first
    // track's, and a pregap the image does not store still counts. This
    // default serves images of one track.
    virtual std::int64_t TrackFirstSector(std::int32_t track) const;

    // The image's sectors by number, each read as the track that holds it
    // stores it; null when the image is not open. This default serves images
    // of one track: the first track's data from its data offset on.
    virtual std::unique_ptr<SectorSource> OpenSectors() const;

    bool IsOpened() const { return opened; }
    // The file that holds the sectors (for a descriptor, its data file).
    const std::string& ImagePath() const { return imagePath; }
    // Why a descriptor was refused, for the user; empty when there is nothing
    // to say (the image opened, or the path named no descriptor).
    const std::string& Problem() const { return problem; }
    // Why a read of the opened image failed (a compressed image's damaged
    // block), for the user; empty while every read succeeded.
    virtual std::string ReadProblem() const { return {}; }

protected:
    // The sectors of a table's tracks, each read where its row places it
    // (firstSector, with the stored pregap before it), numbered from row 0's
    // index 1.
    std::unique_ptr<SectorSource> OpenTableSectors(const TrackTable& table) const;
    // A row's TrackFirstSector.
    static std::int64_t FirstSectorOf(const TrackTable& table, std::int32_t track);

    std::string imagePath;
    bool opened = false;
    std::string problem;
};

// How a descriptor's track mode stores its user data.
SectorKind SectorKindOf(TrackMode mode);

// Bytes before the user data in a stored sector: the sync and header of raw
// sectors, and the subheader of Mode 2 ones. Sectors of 2048 bytes are user
// data only, whatever their mode.
std::int32_t UserDataHeaderBytes(SectorKind kind, std::int32_t sectorSize);
